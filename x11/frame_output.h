// The way from the scene to an X window: 32-bit pixels drawn by the scene straight into
// the image where the visual's pixels are 0x00RRGGBB, else the RGB565 frame expanded by our
// own SIMD routine; then handed over with MIT-SHM (XShmPutImage) where the server shares
// memory with us, or copied with a plain XPutImage where it cannot (a remote display).
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <string>

#include "gfx/surface.h"

// How the channels of an expanded 0x00RRGGBB pixel sit in the visual's pixels.
struct PixelLayout {
    int redShift;
    int greenShift;
    int blueShift;
    bool sameAsExpansion;   // the visual is 0x00RRGGBB already: no conversion at all
};

// True for a true-colour visual of depth 24 or 32 with 8 bits per channel; `why` says
// why any other is refused.
bool DescribeTrueColour(Display* display, const Visual* visual, int depth, PixelLayout* layout,
                        std::string* why);

class FrameOutput {
public:
    FrameOutput();
    ~FrameOutput();

    // Remembers where frames go and whether MIT-SHM is offered; false with `why` set for a
    // visual that DescribeTrueColour refuses.
    bool Open(Display* display, Window window, Visual* visual, int depth, std::string* why);
    // (Re)creates the image for frames of this size; false when no memory is left.
    bool Prepare(int width, int height);
    // Shows the first `width` x `height` pixels of the frame at (x, y) of the window.
    void Show(const Surface& frame, int x, int y, int width, int height);
    // The image's own pixels, for a scene that draws its frames straight into them
    // (StepSceneToPixels), where the visual's pixels are 0x00RRGGBB and the image holds
    // width x height of them; null elsewhere, and frames then go through Show. Like Show,
    // it first waits until the server has done with the previous frame, which it reads
    // from the same memory.
    uint32_t* PixelsToDraw(int width, int height);
    // Bytes from one row of those pixels to the next.
    int PixelPitch() const { return m_pImage ? m_pImage->bytes_per_line : 0; }
    // Shows the first `width` x `height` of the pixels drawn at (x, y) of the window.
    void ShowPixels(int x, int y, int width, int height);
    // Takes the server's word that a shared image was copied; true when the event was one.
    bool TakeEvent(const XEvent& event);
    void Close();

    bool UsesSharedMemory() const { return m_bShared; }

private:
    void ReleaseImage();
    bool CreateSharedImage(int width, int height);
    bool CreatePlainImage(int width, int height);
    void WaitForCompletion();
    void Put(int x, int y, int width, int height);

    Display* m_pDisplay;
    Window m_window;
    Visual* m_pVisual;
    int m_depth;
    GC m_gc;
    PixelLayout m_layout;
    bool m_bShmOffered;
    bool m_bShared;
    bool m_bPending;     // a shared put is not yet known to be done with the buffer
    int m_completionType;
    XImage* m_pImage;
    XShmSegmentInfo m_shm;
};
