// The executable's start: the two process-wide framework objects, built before the entry
// runs in every mode, and the hand-over to HostMain, which reads its own command line.
#include <windows.h>

#include "ripple/scene_wnd.h"
#include "saver/bridge.h"
#include "saver/host_main.h"

namespace {

CSceneWnd theSceneWnd;
CScreenSaverDlg theSettingsDlg(2003);

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    HostMain();
}
