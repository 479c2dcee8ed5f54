// The settings dialog's work: the record into the controls when it opens, the background
// choice and the chosen picture into the record as the user makes them, everything into
// the record and the registry at OK, and the banner fitted to the display's scale.
#include "settings/settings_dlg.h"

#include <commctrl.h>
#include <commdlg.h>

#include <string>

#include "ripple/effects.h"
#include "ripple/monitor_layout.h"
#include "settings/banner.h"
#include "settings/file_dialog_ex.h"

// Sent when the dialog moves to a monitor of another scale; older headers lack it.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace {

const char* const PICTURE_FILTER =
    "All Pictures (*.jpg;*.jpeg;*.jpe;*.png;*.bmp)|*.jpg;*.jpeg;*.jpe;*.png;*.bmp|"
    "JPEG Files (*.jpg;*.jpeg;*.jpe)|*.jpg;*.jpeg;*.jpe|PNG Files (*.png)|*.png|"
    "BMP Files (*.bmp)|*.bmp|All Files (*.*)|*.*||";

// Posted after a change of scale, to fit the banner once the system has laid out the
// dialog anew.
const UINT WM_FIT_BANNER = WM_APP + 1;

// A member of the dialog and what it stands for in the record.
template <class Member, class Meaning>
struct Binding {
    Member CSettingsDlg::*member;
    Meaning meaning;
};

// Each slider shows one numeric setting; the settings table knows its range, its scale
// and whether it runs backwards.
const Binding<CSliderCtrl, SettingId> SLIDERS[] = {
    {&CSettingsDlg::m_sliderRippleSize, SETTING_RIPPLE_SIZE},
    {&CSettingsDlg::m_sliderRippleDepth, SETTING_RIPPLE_DEPTH},
    {&CSettingsDlg::m_sliderDropSize, SETTING_DROP_SIZE},
    {&CSettingsDlg::m_sliderDropWeight, SETTING_DROP_WEIGHT},
};

// Each effect box stands for one bit of the effect mask.
const Binding<int, uint32_t> EFFECTS[] = {
    {&CSettingsDlg::m_bRain, EFFECT_RAIN},
    {&CSettingsDlg::m_bRebound, EFFECT_REBOUND},
    {&CSettingsDlg::m_bFancy, EFFECT_FANCY},
};

// The entries of "Picture Layout", in the order of the stored numbers.
const char* const LAYOUT_NAMES[LAYOUT_COUNT] = {"Stretch", "Fill", "Fit", "Center", "Span"};

int BackgroundButton(BackgroundMode mode)
{
    switch (mode) {
    case BACKGROUND_SNAPSHOT: return IDC_SNAPSHOT;
    case BACKGROUND_WALLPAPER: return IDC_WALLPAPER;
    default: return IDC_OWN_PICTURE;
    }
}

}  // namespace

BEGIN_MESSAGE_MAP(CSettingsDlg, CScreenSaverDlg)
    ON_BN_CLICKED(IDC_BROWSE, OnBrowse)            // void OnBrowse()
    ON_BN_CLICKED(IDC_SNAPSHOT, OnSnapshot)        // void OnSnapshot()
    ON_BN_CLICKED(IDC_WALLPAPER, OnWallpaper)      // void OnWallpaper()
    ON_BN_CLICKED(IDC_OWN_PICTURE, OnOwnPicture)   // void OnOwnPicture()
    ON_WM_DESTROY()                                // void OnDestroy()
    ON_MESSAGE(WM_DPICHANGED, OnDpiChanged)        // LRESULT OnDpiChanged(WPARAM, LPARAM)
    ON_MESSAGE(WM_FIT_BANNER, OnFitBanner)         // LRESULT OnFitBanner(WPARAM, LPARAM)
END_MESSAGE_MAP()

CSettingsDlg::CSettingsDlg()
    : CScreenSaverDlg(IDD_SETTINGS), m_pSaver(nullptr), m_bSound(0), m_bRain(0),
      m_bRebound(0), m_bFancy(0), m_nLayout(LAYOUT_STRETCH), m_bAllMonitors(1), m_hBanner(nullptr)
{
    InitCommonControls();
}

void CSettingsDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_DROP_WEIGHT, m_sliderDropWeight);
    DDX_Control(pDX, IDC_DROP_SIZE, m_sliderDropSize);
    DDX_Control(pDX, IDC_RIPPLE_DEPTH, m_sliderRippleDepth);
    DDX_Control(pDX, IDC_RIPPLE_SIZE, m_sliderRippleSize);
    DDX_Control(pDX, IDC_BROWSE, m_btnBrowse);
    DDX_Control(pDX, IDC_PICTURE_PATH, m_editPicture);
    DDX_Control(pDX, IDC_PICTURE_LAYOUT, m_comboLayout);
    DDX_Text(pDX, IDC_PICTURE_PATH, m_strPicture);
    DDX_Check(pDX, IDC_SOUND, m_bSound);
    DDX_Check(pDX, IDC_RAIN, m_bRain);
    DDX_Check(pDX, IDC_REBOUND, m_bRebound);
    DDX_Check(pDX, IDC_FANCY, m_bFancy);
    DDX_CBIndex(pDX, IDC_PICTURE_LAYOUT, m_nLayout);
    DDX_Check(pDX, IDC_ALL_MONITORS, m_bAllMonitors);
}

// The base loads the stored settings first. In settings mode nothing else initialises
// the framework, so the dialog names the program's module as the place of its resources.
// Hand-edited values outside a slider's range show at the nearer end.
BOOL CSettingsDlg::OnInitDialog()
{
    CScreenSaverDlg::OnInitDialog();
    AFX_MODULE_STATE* module = AfxGetModuleState();
    module->m_hCurrentInstanceHandle = ::GetModuleHandleA(nullptr);
    module->m_hCurrentResourceHandle = module->m_hCurrentInstanceHandle;
    m_pSaver = dynamic_cast<CSceneWnd*>(currentSaverWnd);
    const SaverSettings shown = m_pSaver ? m_pSaver->settings : DefaultSaverSettings();

    for (const auto& effect : EFFECTS)
        this->*effect.member = (shown.effectMask & effect.meaning) ? 1 : 0;
    m_strPicture = shown.pictureFile.c_str();
    // Any non-zero value plays sounds; a check box told a value above 1 may show it
    // unchecked or indeterminate.
    m_bSound = shown.soundEffects != 0 ? 1 : 0;
    for (const char* name : LAYOUT_NAMES) m_comboLayout.AddString(name);
    // The store gives only layouts the list has, but a record made otherwise may not.
    m_nLayout = shown.pictureLayout >= 0 && shown.pictureLayout < LAYOUT_COUNT ? shown.pictureLayout
                                                                               : LAYOUT_STRETCH;
    m_bAllMonitors = shown.allMonitors != 0 ? 1 : 0;

    const BackgroundMode mode = GetBackgroundMode(shown);
    ::SendMessageA(::GetDlgItem(m_hWnd, BackgroundButton(mode)), BM_SETCHECK, BST_CHECKED, 0);
    EnableOwnPicture(mode == BACKGROUND_OWN_PICTURE);
    // The store keeps no longer path, so typing or pasting stops where it would.
    m_editPicture.SetLimitText(PICTURE_PATH_MAX_LENGTH);

    for (const auto& slider : SLIDERS) {
        const SettingInfo& info = g_settingTable[slider.meaning];
        (this->*slider.member).SetRange(info.sliderMin, info.sliderMax);
    }
    for (const auto& slider : SLIDERS) {
        const int32_t value = static_cast<int32_t>(GetNumericSetting(shown, slider.meaning));
        (this->*slider.member).SetPos(SliderPositionFromValue(slider.meaning, value));
    }

    FitBanner();
    UpdateData(FALSE);
    return TRUE;
}

// The system scales the dialog's layout only after this message has been handled, so the
// banner is fitted when the posted message comes back.
LRESULT CSettingsDlg::OnDpiChanged(WPARAM, LPARAM)
{
    ::PostMessageA(m_hWnd, WM_FIT_BANNER, 0, 0);
    return 0;
}

LRESULT CSettingsDlg::OnFitBanner(WPARAM, LPARAM)
{
    FitBanner();
    return 0;
}

// The control shows a new banner made for its present size. When none can be made it
// keeps the one it shows, which at worst is the 96-DPI one it was made with.
void CSettingsDlg::FitBanner()
{
    const HWND banner = ::GetDlgItem(m_hWnd, IDC_BANNER);
    const HBITMAP fitted = banner ? MakeFittedBanner(banner) : nullptr;
    if (fitted == nullptr) return;
    ::SendMessageA(banner, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(fitted));
    if (m_hBanner) ::DeleteObject(m_hBanner);
    m_hBanner = fitted;
}

void CSettingsDlg::OnDestroy()
{
    if (m_hBanner) {
        ::SendDlgItemMessageA(m_hWnd, IDC_BANNER, STM_SETIMAGE, IMAGE_BITMAP, 0);
        ::DeleteObject(m_hBanner);
        m_hBanner = nullptr;
    }
    CScreenSaverDlg::OnDestroy();
}

void CSettingsDlg::OnSnapshot() { ChooseBackground(BACKGROUND_SNAPSHOT); }

void CSettingsDlg::OnWallpaper() { ChooseBackground(BACKGROUND_WALLPAPER); }

void CSettingsDlg::OnOwnPicture() { ChooseBackground(BACKGROUND_OWN_PICTURE); }

// The path box and Browse keep their text while disabled, so the path chosen earlier is
// there again when the user returns to the own picture.
void CSettingsDlg::ChooseBackground(BackgroundMode mode)
{
    if (m_pSaver) SetBackgroundMode(&m_pSaver->settings, mode);
    EnableOwnPicture(mode == BACKGROUND_OWN_PICTURE);
}

// The path, Browse and the layout belong to the own picture.
void CSettingsDlg::EnableOwnPicture(BOOL enable)
{
    m_editPicture.EnableWindow(enable);
    m_btnBrowse.EnableWindow(enable);
    m_comboLayout.EnableWindow(enable);
}

// Only the path box is refreshed: the check boxes may have been clicked since the members
// last heard from them, and a full exchange toward the controls would undo those clicks.
// The chooser's buffer holds no more than the store keeps, so a longer path comes back
// as a failure of its own, which the user is told about; the old text stays.
void CSettingsDlg::OnBrowse()
{
    CFileDialogEx chooser(TRUE, "jpg", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                          PICTURE_FILTER, this);
    if (chooser.DoModal() != IDOK) {
        if (::CommDlgExtendedError() == FNERR_BUFFERTOOSMALL) ShowPathTooLong();
        return;
    }
    m_strPicture = chooser.GetPathName();
    if (m_pSaver) m_pSaver->settings.pictureFile = static_cast<const char*>(m_strPicture);
    m_editPicture.SetWindowText(m_strPicture);
}

// A path the store would refuse is not taken silently: the dialog stays open with the
// path box focused. Only the own picture's path is stored, so only then does it matter.
void CSettingsDlg::OnOK()
{
    if (!UpdateData(TRUE)) return;
    if (!m_pSaver) {
        CScreenSaverDlg::OnOK();
        return;
    }
    SaverSettings& record = m_pSaver->settings;
    if (GetBackgroundMode(record) == BACKGROUND_OWN_PICTURE &&
        m_strPicture.GetLength() > PICTURE_PATH_MAX_LENGTH) {
        ShowPathTooLong();
        ::SetFocus(m_editPicture.m_hWnd);
        return;
    }

    for (const auto& effect : EFFECTS) {
        if (this->*effect.member)
            record.effectMask |= effect.meaning;
        else
            record.effectMask &= ~effect.meaning;
    }
    record.soundEffects = m_bSound != 0 ? 1 : 0;
    record.pictureLayout = m_nLayout >= 0 ? m_nLayout : LAYOUT_STRETCH;
    record.allMonitors = m_bAllMonitors != 0 ? 1 : 0;
    record.pictureFile = static_cast<const char*>(m_strPicture);
    for (const auto& slider : SLIDERS) {
        const int32_t position = (this->*slider.member).GetPos();
        SetNumericSetting(&record, slider.meaning,
                          static_cast<uint32_t>(ValueFromSliderPosition(slider.meaning, position)));
    }

    m_pSaver->SaveSettings();
    CScreenSaverDlg::OnOK();
}

void CSettingsDlg::ShowPathTooLong()
{
    const std::string text = "The picture's path is longer than " +
                             std::to_string(PICTURE_PATH_MAX_LENGTH) +
                             " characters, more than the settings can keep. Please choose a "
                             "picture whose path is shorter.";
    ::MessageBoxA(m_hWnd, text.c_str(), "Lakeglass Settings", MB_OK | MB_ICONEXCLAMATION);
}
