// The render settings dialog: shows the degrading manager's features and
// levels, the frame-rate and statistics switches, the level of detail, the
// contour and fog settings and the mouse frequency; OK applies them all,
// Cancel nothing.
#include "window/dialogs.h"

#include "driver.h"
#include "driver_filter.h"
#include "resource.h"

#include <engine/core/animation_manager.h>
#include <engine/core/degrading_manager.h>
#include <engine/core/effect_settings.h>
#include <engine/core/globals.h>
#include <engine/core/sphere_vertex_fog.h>
#include <engine/debug.h>

#include <commctrl.h>
#include <commdlg.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

const char* const sourcePath = "3d/driver/d3d/window/dialogs";

struct FeatureBox {
    int id;
    DegradingManager::Option option;
    bool onlyIfAvailable;
};

// The three effect switches stand for the engine's three further options.
const FeatureBox featureBoxes[] = {
    {IDC_RS_MIPMAPS, DegradingManager::MIPMAPS, true},
    {IDC_RS_DITHERING, DegradingManager::DITHERING, true},
    {IDC_RS_SPECULAR, DegradingManager::SPECULAR, true},
    {IDC_RS_ANTIALIASING, DegradingManager::ANTIALIASING, true},
    {IDC_RS_SUBPIXEL, DegradingManager::SUB_PIXEL, true},
    {IDC_RS_ANISOTROPY, DegradingManager::ANISOTROPY, true},
    {IDC_RS_WBUFFER, DegradingManager::W_BUFFER, true},
    {IDC_RS_HALOS, DegradingManager::EFFECTS, false},
    {IDC_RS_SHADOWS, DegradingManager::SHADOWS, false},
    {IDC_RS_LIGHTMAPS, DegradingManager::DETAIL_TEXTURES, false},
};

// Radio buttons for levels 2, 1 and 0.
const int detailButtons[] = {IDC_RS_DETAIL_LOW, IDC_RS_DETAIL_NORMAL, IDC_RS_DETAIL_HI};
const int textureButtons[] = {IDC_RS_TEXTURES_1X4, IDC_RS_TEXTURES_1X2, IDC_RS_TEXTURES_1X1};

void setNumber(HWND dialog, int id, double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    SetDlgItemTextA(dialog, id, text);
}

// At most 15 characters, as decimal; anything else reads 0.
float readNumber(HWND dialog, int id) {
    char text[16] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return static_cast<float>(std::atof(text));
}

bool checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void setTrackBar(HWND dialog, int id, int low, int high, int position) {
    SendDlgItemMessageA(dialog, id, TBM_SETRANGE, TRUE, MAKELONG(low, high));
    SendDlgItemMessageA(dialog, id, TBM_SETPOS, TRUE, position);
}

int trackBarPosition(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0));
}

// The level whose button is checked, or -1.
int checkedLevel(HWND dialog, const int (&buttons)[3]) {
    for (int level = 0; level < 3; ++level)
        if (checked(dialog, buttons[level]))
            return level;
    return -1;
}

void showLevels(HWND dialog, DegradingManager& manager) {
    const std::uint32_t capabilities = manager.getCapabilityFlags();
    for (const FeatureBox& box : featureBoxes) {
        if (box.onlyIfAvailable)
            EnableWindow(GetDlgItem(dialog, box.id),
                         (capabilities & DegradingManager::neededBit(box.option)) != 0);
        CheckDlgButton(dialog, box.id, manager.getOption(box.option) ? BST_CHECKED : BST_UNCHECKED);
    }
    CheckRadioButton(dialog, IDC_RS_DETAIL_HI, IDC_RS_DETAIL_LOW,
                     detailButtons[manager.getDetailLevel()]);
    CheckRadioButton(dialog, IDC_RS_TEXTURES_1X1, IDC_RS_TEXTURES_1X4,
                     textureButtons[manager.getTextureQuality()]);
    setTrackBar(dialog, IDC_RS_EFFECTS_BAR, DegradingManager::minQualityLevel,
                DegradingManager::maxQualityLevel, manager.getQualityLevel());
}

void initialise(HWND dialog) {
    DegradingManager& manager = *theDegradingManager;
    manager.current();
    showLevels(dialog, manager);
    CheckDlgButton(dialog, IDC_RS_STATISTIC, g_driverSettings.showStatistic);
    CheckDlgButton(dialog, IDC_RS_FPS, g_driverSettings.showFPS);
    CheckRadioButton(dialog, IDC_RS_OUTLINE, IDC_RS_HIGHLIGHT,
                     SEContour::contourType == 0 ? IDC_RS_OUTLINE : IDC_RS_HIGHLIGHT);
    EnableWindow(GetDlgItem(dialog, IDC_RS_STATISTIC), FALSE);

    const float lod = AnimationManager::getLODFactor();
    setTrackBar(dialog, IDC_RS_LOD_BAR, 0, 200, static_cast<int>(lod * 100));
    setNumber(dialog, IDC_RS_LOD, lod);
    setTrackBar(dialog, IDC_RS_FOG_START_BAR, 0, 200, static_cast<int>(SEVertexFog::start * 10));
    setTrackBar(dialog, IDC_RS_FOG_END_BAR, 0, 200, static_cast<int>(SEVertexFog::end * 10));
    setNumber(dialog, IDC_RS_FOG_START, SEVertexFog::start);
    setNumber(dialog, IDC_RS_FOG_END, SEVertexFog::end);
    setNumber(dialog, IDC_RS_MOUSE_FREQUENCY, 1.0 / g_driverSettings.mousePeriod);

    const SphereVertexFogManager& land = *theSphereVertexFogManager;
    setNumber(dialog, IDC_RS_LAND_SPAN, land.getSpan());
    setNumber(dialog, IDC_RS_LAND_SCALE, land.getScale());
    setNumber(dialog, IDC_RS_LAND_MIN, land.getMinimum());
    CheckDlgButton(dialog, IDC_RS_LAND_ENABLE, land.isEnabled());
    CheckDlgButton(dialog, IDC_RS_FOG_ENABLE, SEVertexFog::enabled);

    SetForegroundWindow(dialog);
    SetFocus(GetDlgItem(dialog, IDOK));
}

// A frequency of 0 or less has no period: the old one stays, with a warning.
void applyMouseFrequency(float frequency) {
    if (!(frequency > 0.0f)) {
        DRIVER_FILTER << (debug::Warning(debug::Context(sourcePath, __LINE__), 1.0f)
                          << "mouse update frequency must be positive, not " << frequency
                          << "; the sampling period stays");
        return;
    }
    g_driverSettings.mouseUpdateFrequency = frequency;
    g_driverSettings.mousePeriod = 1.0f / frequency;
}

void apply(HWND dialog) {
    DegradingManager& manager = *theDegradingManager;
    for (const FeatureBox& box : featureBoxes)
        manager.setOption(box.option, checked(dialog, box.id));
    manager.setQualityLevel(trackBarPosition(dialog, IDC_RS_EFFECTS_BAR));
    g_driverSettings.showStatistic = checked(dialog, IDC_RS_STATISTIC);
    g_driverSettings.showFPS = checked(dialog, IDC_RS_FPS);
    if (const int detail = checkedLevel(dialog, detailButtons); detail >= 0)
        manager.setDetailLevel(detail);
    if (const int texture = checkedLevel(dialog, textureButtons); texture >= 0)
        manager.setTextureQuality(texture);
    SEContour::contourType = checked(dialog, IDC_RS_HIGHLIGHT) ? 1 : 0;

    AnimationManager::setLODFactor(readNumber(dialog, IDC_RS_LOD));
    SEVertexFog::start = readNumber(dialog, IDC_RS_FOG_START);
    SEVertexFog::end = readNumber(dialog, IDC_RS_FOG_END);
    SEVertexFog::enabled = checked(dialog, IDC_RS_FOG_ENABLE);
    applyMouseFrequency(readNumber(dialog, IDC_RS_MOUSE_FREQUENCY));
    SphereVertexFogManager& land = *theSphereVertexFogManager;
    land.setSpan(readNumber(dialog, IDC_RS_LAND_SPAN));
    land.setScale(readNumber(dialog, IDC_RS_LAND_SCALE));
    land.setMinimum(readNumber(dialog, IDC_RS_LAND_MIN));
    land.setEnabled(checked(dialog, IDC_RS_LAND_ENABLE));
    manager.apply();
}

BYTE toByte(float component) {
    return static_cast<BYTE>(std::lround(std::fmin(std::fmax(component, 0.0f), 1.0f) * 255.0f));
}

void chooseFogColour(HWND dialog) {
    COLORREF custom[16];
    for (int i = 0; i < 16; ++i)
        custom[i] = RGB(16 * i, 16 * i, 16 * i);
    Color& colour = SEVertexFog::color;
    CHOOSECOLORA request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = dialog;
    request.rgbResult = RGB(toByte(colour.r), toByte(colour.g), toByte(colour.b));
    request.lpCustColors = custom;
    request.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
    if (!ChooseColorA(&request))
        return;
    colour.r = GetRValue(request.rgbResult) / 255.0f;
    colour.g = GetGValue(request.rgbResult) / 255.0f;
    colour.b = GetBValue(request.rgbResult) / 255.0f;
}

// Thumb moves of the level of detail and fog bars show in their edits.
void trackBarMoved(HWND dialog, WORD code, HWND bar) {
    if (code != SB_THUMBTRACK && code != SB_THUMBPOSITION)
        return;
    const int position = static_cast<int>(SendMessageA(bar, TBM_GETPOS, 0, 0));
    switch (GetDlgCtrlID(bar)) {
        case IDC_RS_LOD_BAR:
            setNumber(dialog, IDC_RS_LOD, position * 0.01);
            break;
        case IDC_RS_FOG_START_BAR:
            setNumber(dialog, IDC_RS_FOG_START, position * 0.1);
            break;
        case IDC_RS_FOG_END_BAR:
            setNumber(dialog, IDC_RS_FOG_END, position * 0.1);
            break;
        default:
            break;
    }
}

}  // namespace

INT_PTR CALLBACK renderSettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            initialise(dialog);
            return FALSE;  // the focus is set
        case WM_VSCROLL:
        case WM_HSCROLL:
            trackBarMoved(dialog, LOWORD(wParam), reinterpret_cast<HWND>(lParam));
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_RS_FOG_COLOR:
                    chooseFogColour(dialog);
                    return TRUE;
                case IDOK:
                    apply(dialog);
                    EndDialog(dialog, IDOK);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                default:
                    return FALSE;
            }
        default:
            return FALSE;
    }
}
