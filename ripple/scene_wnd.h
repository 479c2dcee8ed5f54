// The water scene: the saver window object that owns the settings, the picture under the
// water, the frame, the ripple field with its two height maps and the drop effects, and
// drives them from two timers. It serves the full-screen window and the preview alike; the
// full-screen window runs a scene of its own on every monitor.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/afx.h"
#include "gfx/surface.h"
#include "ripple/monitor_layout.h"
#include "ripple/power_settings.h"
#include "ripple/screen_output.h"
#include "ripple/water_scene.h"
#include "saver/screen_saver_wnd.h"

const UINT_PTR FRAME_TIMER = 1;   // every 50 ms: sounds and a repaint request
const UINT_PTR EFFECT_TIMER = 2;  // every 10 ms: the drop effects and their stamps

// The monitors as the system reports them, on the virtual screen.
std::vector<Monitor> ListMonitors();

// The scene of a monitor beyond the first: its own water, with the settings of the
// window's, and its own way to the screen.
struct MonitorScene {
    SceneArea area;
    WaterScene water;
    ScreenOutput output;
};

// The window half of the scene: the water itself, its surfaces, field, effects and
// settings, is the portable WaterScene this window also is. That scene serves the primary
// monitor (or the whole window where there is one scene), and chooses the sounds for all.
class CSceneWnd : public CScreenSaverWnd, public WaterScene {
public:
    CSceneWnd();
    ~CSceneWnd() override;

    void Draw(CDC* pDC) override;
    void InitScene() override;
    void SaveSettings() override;
    void LoadSettings() override;

    // The still picture at the display's resolution, and the display's resolution;
    // returns false when there is none. The window's rectangle decides what is copied.
    bool CaptureDesktop(Surface* picture);

    UINT_PTR frameTimerId;
    UINT_PTR effectTimerId;
    // The frame timer's period while it runs, longer on battery saver; 0 while it does not.
    UINT frameTimerPeriod;
    // How frames reach the screen: converted here to 32 bits where that is exact.
    ScreenOutput screenOutput;
    // Where the window's own scene lies, and the scenes of the other monitors.
    SceneArea m_area;
    std::vector<std::unique_ptr<MonitorScene>> m_otherScenes;

protected:
    void OnTimer(UINT_PTR nIDEvent);
    void OnDestroy();
    LRESULT OnDisplayChange(WPARAM wParam, LPARAM lParam);
    LRESULT OnPowerBroadcast(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    // Where the pictures come from, settled once at setup: the snapshot, or a file (the own
    // picture or the wallpaper), or nothing that can be shown.
    enum PictureSource { SOURCE_NONE, SOURCE_SNAPSHOT, SOURCE_OWN_PICTURE, SOURCE_WALLPAPER };

    // Settles the source the settings choose and takes what it needs at once: the snapshot
    // of the whole window, or the own picture decoded. Reads the display's resolution.
    bool LoadBackground();
    // The picture one scene lays out, at the size its setup expects; false when there is
    // none and the scene stays black.
    bool PictureForArea(const SceneArea& area, Surface* picture);
    // Writes the system's wallpaper path into the settings; false when no source answers.
    bool LookUpWallpaper();
    // The wallpaper as the desktop shows it over one monitor's part, from the desktop's
    // own object where it has one, else from the path the system reports; false when it
    // cannot be had.
    bool ArrangeWallpaper(const SceneArea& area, const std::string& systemPath, Surface* picture);
    bool ArrangeFromSource(const Surface& source, const Arrangement& arrangement,
                           const SceneArea& area, uint16_t backdrop, Surface* picture);
    // What a snapshot that saw nothing is replaced by: the wallpaper, else the lakebed at
    // the frame's size. False only when neither can be had.
    bool ReplaceBlankSnapshot(const SceneArea& area, Surface* picture);
    // The monitors as the window covers them: one area per scene.
    std::vector<SceneArea> LayOutAreas();
    // Builds every scene for the given areas; the pictures of a running saver are passed
    // in, one per area, when they are not to be taken anew.
    void BuildScenes(const std::vector<SceneArea>& areas, std::vector<Surface>* pictures);
    SceneState SetUpArea(WaterScene* scene, const SceneArea& area, Surface* picture,
                         bool firstSetup);
    // The pictures that the scenes show after a display change, one per new area.
    std::vector<Surface> PicturesAfterDisplayChange(const std::vector<SceneArea>& areas);
    void ReleaseScenes();
    void FindDarkParts();
    void PaintBackdrop(HDC dc);
    // The preview is a child of the display settings; the full-screen window is not.
    bool IsChildWindow() const;
    void StartTimers();
    // The drop ticks of every scene, `count` times over.
    void RunDropTicks(int count);
    void StopTimers();
    void PlayClip(int resourceId) const;

    PictureSource m_source;
    // The full-screen snapshot as taken, and the window's rectangle it shows.
    Surface m_snapshot;
    ScreenRect m_snapshotRect;
    // The own picture at its own size, or the one wallpaper of a system that names one.
    Surface m_picture;
    std::string m_strPictureOfSource;
    // The settings as loaded, before the preview's rule changed the window's own.
    SaverSettings m_loadedSettings;
    // The full-screen window's power: while the display is dark no timer runs and no
    // frame is stepped; on battery saver the timers run at a slower pace.
    bool m_bDisplayOn;
    bool m_bBatterySaver;
    bool m_bWaterRuns;
    PowerNotifications m_power;
    // The parts of the window that no scene shows, painted black.
    std::vector<RECT> m_darkParts;
    ScreenRect m_windowRect;
    std::vector<Monitor> m_monitors;
};
