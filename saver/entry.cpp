// The executable's start: the two process-wide framework objects, built before the entry
// runs in every mode, and the hand-over to HostMain, which reads its own command line.
#include <windows.h>

#include "ripple/scene_wnd.h"
#include "saver/host_main.h"
#include "settings/settings_dlg.h"

namespace {

CSceneWnd theSceneWnd;
CSettingsDlg theSettingsDlg;

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    HostMain();
}
