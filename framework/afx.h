// The whole framework layer in one include, for the scene, the dialogs and the host's
// bridge: windows, dialogs, controls, device contexts, text and the file chooser.
#pragma once

#include "framework/controls.h"
#include "framework/dc.h"
#include "framework/dialog.h"
#include "framework/file_dialog.h"
#include "framework/string.h"
#include "framework/wnd.h"
