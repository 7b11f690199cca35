// The driver's resources: the templates of the render settings and texture
// statistics dialogs, in dialog units, found by name through the module's
// ModuleResources table.
#include "driver.h"
#include "resource.h"

#include <platform/dialog_resource.h>

#include <commctrl.h>

namespace {

constexpr DWORD kVisible = WS_VISIBLE;
constexpr DWORD kTab = WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kCheck = kTab | BS_AUTOCHECKBOX;
constexpr DWORD kRadio = WS_VISIBLE | BS_AUTORADIOBUTTON;
constexpr DWORD kEdit = kTab | WS_BORDER | ES_AUTOHSCROLL;
constexpr DWORD kGroupBox = WS_VISIBLE | BS_GROUPBOX;

using platform::DialogResource;

// Four columns: features; levels, contour and landscape fog; transparent
// fog, mouse and the buttons; the level of detail, whose bar is tall enough
// for a pixel per position.
void addFeatures(DialogResource& d) {
    d.item("Button", "Information", 0, 5, 4, 62, 36, kGroupBox)
        .item("Button", "Statistic", IDC_RS_STATISTIC, 10, 14, 55, 10, kCheck | WS_GROUP)
        .item("Button", "FPS", IDC_RS_FPS, 10, 26, 55, 10, kCheck)
        .item("Button", "Features", 0, 5, 42, 62, 98, kGroupBox);
    const struct {
        const char* caption;
        WORD id;
    } features[] = {{"Mipmaps", IDC_RS_MIPMAPS},   {"Dithering", IDC_RS_DITHERING},
                    {"Specular", IDC_RS_SPECULAR}, {"Antialiasing", IDC_RS_ANTIALIASING},
                    {"SubPixel", IDC_RS_SUBPIXEL}, {"Anisotropy", IDC_RS_ANISOTROPY},
                    {"WBuffer", IDC_RS_WBUFFER}};
    short y = 52;
    for (const auto& feature : features) {
        d.item("Button", feature.caption, feature.id, 10, y, 55, 10, kCheck);
        y = static_cast<short>(y + 12);
    }
    d.item("Button", "Effects", 0, 5, 142, 62, 46, kGroupBox)
        .item("Button", "halos", IDC_RS_HALOS, 10, 152, 55, 10, kCheck)
        .item("Button", "shadows", IDC_RS_SHADOWS, 10, 163, 55, 10, kCheck)
        .item("Button", "lightmaps", IDC_RS_LIGHTMAPS, 10, 174, 55, 10, kCheck);
}

void addLevels(DialogResource& d) {
    d.item("Button", "Textures", 0, 70, 4, 64, 48, kGroupBox)
        .item("Button", "Hi detail", IDC_RS_DETAIL_HI, 75, 14, 56, 10,
              BS_AUTORADIOBUTTON | WS_GROUP)
        .item("Button", "Normal detail", IDC_RS_DETAIL_NORMAL, 75, 26, 56, 10, BS_AUTORADIOBUTTON)
        .item("Button", "Low detail", IDC_RS_DETAIL_LOW, 75, 38, 56, 10, BS_AUTORADIOBUTTON)
        .item("Button", "Textures 1x1", IDC_RS_TEXTURES_1X1, 75, 14, 56, 10,
              kRadio | WS_GROUP | WS_TABSTOP)
        .item("Button", "Textures 1x2", IDC_RS_TEXTURES_1X2, 75, 26, 56, 10, kRadio)
        .item("Button", "Textures 1x4", IDC_RS_TEXTURES_1X4, 75, 38, 56, 10, kRadio)
        .item("Button", "Effects", 0, 70, 54, 64, 30, kGroupBox)
        .item(TRACKBAR_CLASSA, "", IDC_RS_EFFECTS_BAR, 74, 63, 56, 16,
              kTab | WS_GROUP | TBS_AUTOTICKS)
        .item("Button", "Contour", 0, 70, 86, 64, 36, kGroupBox)
        .item("Button", "Outline", IDC_RS_OUTLINE, 75, 96, 56, 10, kRadio | WS_GROUP | WS_TABSTOP)
        .item("Button", "Highlight", IDC_RS_HIGHLIGHT, 75, 108, 56, 10, kRadio)
        .item("Button", "Landscape fog", 0, 70, 124, 64, 64, kGroupBox)
        .item("Button", "enable", IDC_RS_LAND_ENABLE, 75, 134, 56, 10, kCheck | WS_GROUP)
        .item("Static", "span", 0, 75, 148, 22, 8, kVisible)
        .item("Edit", "", IDC_RS_LAND_SPAN, 97, 146, 33, 12, kEdit)
        .item("Static", "scale", 0, 75, 160, 22, 8, kVisible)
        .item("Edit", "", IDC_RS_LAND_SCALE, 97, 158, 33, 12, kEdit)
        .item("Static", "min", 0, 75, 172, 22, 8, kVisible)
        .item("Edit", "", IDC_RS_LAND_MIN, 97, 170, 33, 12, kEdit);
}

void addFogLodAndButtons(DialogResource& d) {
    d.item("Button", "Transparent fog", 0, 137, 4, 62, 82, kGroupBox)
        .item("Button", "", IDC_RS_FOG_ENABLE, 142, 15, 10, 10, kCheck | WS_GROUP)
        .item("Button", "c", IDC_RS_FOG_COLOR, 158, 14, 14, 12, kTab)
        .item("Static", "start", 0, 142, 32, 22, 8, kVisible)
        .item("Edit", "", IDC_RS_FOG_START, 164, 30, 30, 12, kEdit)
        .item("Static", "end", 0, 142, 48, 22, 8, kVisible)
        .item("Edit", "", IDC_RS_FOG_END, 164, 46, 30, 12, kEdit)
        .item(TRACKBAR_CLASSA, "", IDC_RS_FOG_START_BAR, 142, 62, 52, 10, TBS_NOTICKS)
        .item(TRACKBAR_CLASSA, "", IDC_RS_FOG_END_BAR, 142, 73, 52, 10, TBS_NOTICKS)
        .item("Static", "mouse update frequency", 0, 137, 92, 62, 18, kVisible)
        .item("Edit", "", IDC_RS_MOUSE_FREQUENCY, 137, 112, 40, 12, kEdit)
        .item("Button", "Lod factor", 0, 202, 4, 62, 184, kGroupBox)
        .item(TRACKBAR_CLASSA, "", IDC_RS_LOD_BAR, 208, 14, 20, 170,
              kTab | WS_GROUP | TBS_VERT | TBS_BOTH)
        .item("Edit", "", IDC_RS_LOD, 230, 90, 30, 12, kEdit)
        .item("Button", "Cancel", IDCANCEL, 137, 152, 62, 14, kTab | WS_GROUP)
        .item("Button", "OK", IDOK, 137, 172, 62, 14, kTab | BS_DEFPUSHBUTTON);
}

DialogResource renderSettings() {
    DialogResource d(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 269, 194,
                     "Render settings", 8, "MS Sans Serif");
    addFeatures(d);
    addLevels(d);
    addFogLodAndButtons(d);
    return d;
}

DialogResource textureStatistic() {
    DialogResource d(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 282, 181,
                     "Statistics", 7, "Arial");
    d.item("Edit", "", IDC_TS_TEXT, 7, 7, 268, 148,
           kTab | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL)
        .item("Button", "OK", IDOK, 116, 160, 50, 14, kTab | BS_DEFPUSHBUTTON);
    return d;
}

}  // namespace

extern "C" D3DDRIVER_API const MODULE_RESOURCE* WINAPI ModuleResources(DWORD* count) {
    static const DialogResource settings = renderSettings();
    static const DialogResource statistic = textureStatistic();
    static const MODULE_RESOURCE table[] = {
        {RT_DIALOG, "IDD_RENDER_SETTINGS", DRIVER_RESOURCE_LANGUAGE, settings.data(),
         settings.size()},
        {RT_DIALOG, "IDD_TEXTURE_STATISTIC", DRIVER_RESOURCE_LANGUAGE, statistic.data(),
         statistic.size()},
    };
    if (count)
        *count = sizeof table / sizeof table[0];
    return table;
}
