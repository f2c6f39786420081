#pragma once

class TDM;

// Creates the data module and every window, once each and in the order the
// program relies on (the main window opens the shared datasets that the
// dialogs created after it read). Returns the data module; the windows are
// children of the main window. Failures are shown in the general error box.
TDM *createApplicationWindows();
