// The settings dialog: shows the scene object's settings record in dialog IDD_SETTINGS,
// lets the user change effects, background, sound, picture path and the four sliders,
// and stores the record with OK. Cancel stores nothing.
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
    CString m_strPicture;
    int m_bSound;
    int m_bRain;
    int m_bRebound;
    int m_bFancy;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnSnapshot();
    void OnWallpaper();
    void OnOwnPicture();
    void OnBrowse();

    DECLARE_MESSAGE_MAP()

private:
    void ChooseBackground(BackgroundMode mode);
    void ShowPathTooLong();
};
