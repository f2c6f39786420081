#pragma once

// The Chinese faces the program draws with.
//
// The titles are bold. Left to the font system, a bold Chinese title loads
// the bold file of Noto Sans CJK beside the regular one, for the few dozen
// glyphs of the titles: almost 5 MB of a small ledger's memory (the file's
// pages mapped around each glyph, its tables, FreeType's face). The regular
// face drawn emboldened looks the same at these sizes, so the bold files of
// the CJK faces are kept out of the program's font list; a bold request
// then gets the regular face, which Qt emboldens itself. Latin faces keep
// their bold files.
//
// useRegularCjkFaceForBold() sets this up for the process. It must be
// called before the QGuiApplication is made, since Qt reads the font list
// once. The user's and the system's font settings are read as fontconfig
// would read them (FONTCONFIG_FILE included); the only change is the bold
// CJK files left out. Returns false, and leaves fontconfig to its own
// start, when the settings cannot be read or the font list cannot be built;
// the program then draws with the bold files as before.
bool useRegularCjkFaceForBold();

// The file name patterns of the bold CJK faces left out, for the tests.
const char *const *boldCjkFilePatterns();
