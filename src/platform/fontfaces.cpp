#include "platform/fontfaces.h"

#include <fontconfig/fontconfig.h>

#include <string>

namespace {

// Debian's fonts-noto-cjk ships collections (NotoSansCJK-Bold.ttc); other
// packagings ship one file per language (NotoSansCJKsc-Bold.otf), and
// Source Han Sans is the same face under another name.
const char *const Patterns[] = {"*/NotoSansCJK*-Bold.*", "*/NotoSerifCJK*-Bold.*", "*/SourceHanSans*-Bold.*",
                                "*/SourceHanSerif*-Bold.*", nullptr};

} // namespace

const char *const *boldCjkFilePatterns()
{
    return Patterns;
}

bool useRegularCjkFaceForBold()
{
    FcConfig *config = FcInitLoadConfig();
    if (!config)
        return false;
    std::string rules = "<?xml version=\"1.0\"?><!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">"
                        "<fontconfig><selectfont><rejectfont>";
    for (const char *const *p = Patterns; *p; ++p)
        rules += std::string("<glob>") + *p + "</glob>";
    rules += "</rejectfont></selectfont></fontconfig>";
    const bool ok = FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8 *>(rules.c_str()), FcTrue)
                    && FcConfigBuildFonts(config) && FcConfigSetCurrent(config);
    // FcConfigSetCurrent holds its own reference
    FcConfigDestroy(config);
    return ok;
}
