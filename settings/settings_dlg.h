// The settings dialog: shows the scene object's settings record in dialog IDD_SETTINGS,
// lets the user change effects, background, sound, picture path and the four sliders,
// the picture's layout on the monitors, whether every monitor has water, and stores the
// record with OK. Cancel stores nothing. The banner is fitted to its place
// at the display's scale, again whenever the dialog moves to a monitor of another scale.
#pragma once

#include "framework/afx.h"
#include "res/resource.h"
#include "ripple/scene_wnd.h"
#include "saver/bridge.h"

class CSettingsDlg : public CScreenSaverDlg {
public:
    CSettingsDlg();

    BOOL OnInitDialog() override;

    // The scene object whose record the dialog edits; null until the dialog starts, and
    // null when the program has no scene object.
    CSceneWnd* m_pSaver;
    CSliderCtrl m_sliderDropWeight;
    CSliderCtrl m_sliderDropSize;
    CSliderCtrl m_sliderRippleDepth;
    CSliderCtrl m_sliderRippleSize;
    CButton m_btnBrowse;
    CEdit m_editPicture;
    CComboBox m_comboLayout;
    CString m_strPicture;
    int m_bSound;
    int m_bRain;
    int m_bRebound;
    int m_bFancy;
    int m_nLayout;      // the chosen entry of "Picture Layout", in the stored numbering
    int m_bAllMonitors;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnSnapshot();
    void OnWallpaper();
    void OnOwnPicture();
    void OnBrowse();
    void OnDestroy();
    LRESULT OnDpiChanged(WPARAM, LPARAM);
    LRESULT OnFitBanner(WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()

private:
    void ChooseBackground(BackgroundMode mode);
    void EnableOwnPicture(BOOL enable);
    void ShowPathTooLong();
    void FitBanner();

    // The banner bitmap the dialog made and the banner control shows; null until then.
    HBITMAP m_hBanner;
};
