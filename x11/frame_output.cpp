// Frames to the X server. A shared image is written only after the server has reported
// the previous put complete: it reads the same memory we write the next frame into.
#include "x11/frame_output.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>

#include "ripple/pixel_convert.h"

namespace {

// Errors of MIT-SHM's attach are expected on a display that cannot share memory; they are
// caught here instead of ending the program.
bool g_attachFailed = false;

int CatchAttachError(Display*, XErrorEvent*)
{
    g_attachFailed = true;
    return 0;
}

int LowestBit(unsigned long mask)
{
    int shift = 0;
    while (mask && !(mask & 1)) { mask >>= 1; ++shift; }
    return shift;
}

bool IsByteMask(unsigned long mask) { return mask == (0xFFul << LowestBit(mask)); }

}  // namespace

bool DescribeTrueColour(Display* display, const Visual* visual, int depth, PixelLayout* layout,
                        std::string* why)
{
    if (visual->c_class != TrueColor || (depth != 24 && depth != 32)) {
        *why = "the display's visual is not true colour with 24 or 32 bits (depth " +
               std::to_string(depth) + ")";
        return false;
    }
    if (!IsByteMask(visual->red_mask) || !IsByteMask(visual->green_mask) ||
        !IsByteMask(visual->blue_mask)) {
        *why = "the display's true-colour visual does not keep 8 bits per colour";
        return false;
    }
    int formats = 0;
    XPixmapFormatValues* list = XListPixmapFormats(display, &formats);
    int bitsPerPixel = 0;
    for (int i = 0; i < formats; ++i)
        if (list[i].depth == depth) bitsPerPixel = list[i].bits_per_pixel;
    if (list) XFree(list);
    if (bitsPerPixel != 32) {
        *why = "the display keeps its " + std::to_string(depth) + "-bit pixels in " +
               std::to_string(bitsPerPixel) + " bits, not 32";
        return false;
    }
    layout->redShift = LowestBit(visual->red_mask);
    layout->greenShift = LowestBit(visual->green_mask);
    layout->blueShift = LowestBit(visual->blue_mask);
    layout->sameAsExpansion =
        layout->redShift == 16 && layout->greenShift == 8 && layout->blueShift == 0;
    return true;
}

FrameOutput::FrameOutput()
    : m_pDisplay(nullptr), m_window(0), m_pVisual(nullptr), m_depth(0), m_gc(nullptr),
      m_layout(), m_bShmOffered(false), m_bShared(false), m_bPending(false),
      m_completionType(-1), m_pImage(nullptr), m_shm()
{
}

FrameOutput::~FrameOutput() { Close(); }

bool FrameOutput::Open(Display* display, Window window, Visual* visual, int depth, std::string* why)
{
    if (!DescribeTrueColour(display, visual, depth, &m_layout, why)) return false;
    m_pDisplay = display;
    m_window = window;
    m_pVisual = visual;
    m_depth = depth;
    m_gc = XCreateGC(display, window, 0, nullptr);
    // LAKEGLASS_NO_SHM takes the plain path, as a remote display does, so that it can be tried
    // on a local one.
    m_bShmOffered = XShmQueryExtension(display) && std::getenv("LAKEGLASS_NO_SHM") == nullptr;
    if (m_bShmOffered) m_completionType = XShmGetEventBase(display) + ShmCompletion;
    return true;
}

void FrameOutput::Close()
{
    if (!m_pDisplay) return;
    ReleaseImage();
    if (m_gc) XFreeGC(m_pDisplay, m_gc);
    m_gc = nullptr;
    m_pDisplay = nullptr;
}

void FrameOutput::ReleaseImage()
{
    if (!m_pImage) return;
    if (m_bShared) {
        WaitForCompletion();
        XShmDetach(m_pDisplay, &m_shm);
        XSync(m_pDisplay, False);
        shmdt(m_shm.shmaddr);
        m_pImage->data = nullptr;
    }
    XDestroyImage(m_pImage);
    m_pImage = nullptr;
    m_bShared = false;
    m_bPending = false;
}

bool FrameOutput::CreateSharedImage(int width, int height)
{
    m_shm = XShmSegmentInfo();
    m_pImage = XShmCreateImage(m_pDisplay, m_pVisual, m_depth, ZPixmap, nullptr, &m_shm, width,
                               height);
    if (!m_pImage) return false;
    m_shm.shmid = shmget(IPC_PRIVATE, size_t(m_pImage->bytes_per_line) * height, IPC_CREAT | 0600);
    if (m_shm.shmid >= 0) {
        m_shm.shmaddr = static_cast<char*>(shmat(m_shm.shmid, nullptr, 0));
        if (m_shm.shmaddr != reinterpret_cast<char*>(-1)) {
            m_pImage->data = m_shm.shmaddr;
            m_shm.readOnly = True;
            g_attachFailed = false;
            XErrorHandler previous = XSetErrorHandler(CatchAttachError);
            XShmAttach(m_pDisplay, &m_shm);
            XSync(m_pDisplay, False);
            XSetErrorHandler(previous);
            // Marked for removal at once: the segment goes when both sides have let go,
            // even if this process is killed.
            shmctl(m_shm.shmid, IPC_RMID, nullptr);
            if (!g_attachFailed) {
                m_bShared = true;
                return true;
            }
            shmdt(m_shm.shmaddr);
        } else {
            shmctl(m_shm.shmid, IPC_RMID, nullptr);
        }
    }
    m_pImage->data = nullptr;
    XDestroyImage(m_pImage);
    m_pImage = nullptr;
    return false;
}

bool FrameOutput::CreatePlainImage(int width, int height)
{
    char* data = static_cast<char*>(std::malloc(size_t(width) * height * 4));
    if (!data) return false;
    m_pImage = XCreateImage(m_pDisplay, m_pVisual, m_depth, ZPixmap, 0, data, width, height, 32,
                            width * 4);
    if (!m_pImage) {
        std::free(data);
        return false;
    }
    // The pixels are written in this machine's order; Xlib swaps them for a server that
    // wants the other.
    m_pImage->byte_order = LSBFirst;
    return true;
}

bool FrameOutput::Prepare(int width, int height)
{
    ReleaseImage();
    if (width <= 0 || height <= 0) return false;
    if (m_bShmOffered && CreateSharedImage(width, height)) return true;
    m_bShmOffered = false;
    return CreatePlainImage(width, height);
}

bool FrameOutput::TakeEvent(const XEvent& event)
{
    if (event.type != m_completionType || m_completionType < 0) return false;
    // Each monitor's output has its own segment, and hears only of its own puts.
    if (reinterpret_cast<const XShmCompletionEvent&>(event).shmseg != m_shm.shmseg) return false;
    m_bPending = false;
    return true;
}

// The completion normally arrived long before the next frame; otherwise a round trip
// makes sure the server has finished the put (or refused it, when the window has gone).
void FrameOutput::WaitForCompletion()
{
    if (!m_bPending) return;
    XEvent event;
    XSync(m_pDisplay, False);
    while (XCheckTypedEvent(m_pDisplay, m_completionType, &event)) {}
    m_bPending = false;
}

void FrameOutput::Show(const Surface& frame, int x, int y, int width, int height)
{
    if (!m_pImage || !frame.bits) return;
    if (m_bShared) WaitForCompletion();
    width = std::min({width, frame.width, m_pImage->width});
    height = std::min({height, frame.height, m_pImage->height});
    for (int y = 0; y < height; ++y) {
        uint32_t* out =
            reinterpret_cast<uint32_t*>(m_pImage->data + size_t(y) * m_pImage->bytes_per_line);
        ExpandRgb565Row(frame.Row(y), out, size_t(width));
        if (m_layout.sameAsExpansion) continue;
        for (int x = 0; x < width; ++x) {
            const uint32_t p = out[x];
            out[x] = (p >> 16 & 0xFF) << m_layout.redShift | (p >> 8 & 0xFF) << m_layout.greenShift |
                     (p & 0xFF) << m_layout.blueShift;
        }
    }
    Put(x, y, width, height);
}

uint32_t* FrameOutput::PixelsToDraw(int width, int height)
{
    if (!m_pImage || !m_layout.sameAsExpansion || width > m_pImage->width ||
        height > m_pImage->height)
        return nullptr;
    if (m_bShared) WaitForCompletion();
    return reinterpret_cast<uint32_t*>(m_pImage->data);
}

void FrameOutput::ShowPixels(int x, int y, int width, int height)
{
    if (!m_pImage) return;
    Put(x, y, std::min(width, m_pImage->width), std::min(height, m_pImage->height));
}

// Hands the image's first width x height pixels to the server, to be drawn at (x, y).
void FrameOutput::Put(int x, int y, int width, int height)
{
    if (m_bShared) {
        XShmPutImage(m_pDisplay, m_window, m_gc, m_pImage, 0, 0, x, y, width, height, True);
        m_bPending = true;
    } else {
        XPutImage(m_pDisplay, m_window, m_gc, m_pImage, 0, 0, x, y, width, height);
    }
    XFlush(m_pDisplay);
}
