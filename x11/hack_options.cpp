// Option parsing for the Linux program. The four sliders take the stored values of the
// Windows settings dialog, so one table bounds both; the check boxes are effect bits.
#include "x11/hack_options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "ripple/effects.h"

namespace {

const uint64_t X_ID_LIMIT = uint64_t(1) << 29;

struct SliderOption {
    const char* name;
    SettingId id;
};

const SliderOption SLIDERS[] = {
    {"ripple-size", SETTING_RIPPLE_SIZE},
    {"ripple-depth", SETTING_RIPPLE_DEPTH},
    {"drop-size", SETTING_DROP_SIZE},
    {"drop-weight", SETTING_DROP_WEIGHT},
};

struct EffectOption {
    const char* name;
    uint32_t bit;
};

const EffectOption EFFECTS[] = {
    {"rain", EFFECT_RAIN},
    {"rebound", EFFECT_REBOUND},
    {"fancy", EFFECT_FANCY},
};

// A whole decimal number, nothing before or after it.
bool ParseInteger(const char* text, int64_t* value)
{
    if (!text || !*text) return false;
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || std::strchr(" \t\n+", text[0])) return false;
    *value = parsed;
    return true;
}

std::string Quoted(const char* text) { return std::string("'") + text + "'"; }

}  // namespace

bool ParseWindowId(const char* text, uint64_t* id)
{
    if (!text || !*text || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (hex && !std::isxdigit(static_cast<unsigned char>(text[2]))) return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(hex ? text + 2 : text, &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || parsed == 0 || parsed >= X_ID_LIMIT) return false;
    *id = parsed;
    return true;
}

ParseOutcome ParseHackOptions(int argc, const char* const* argv, HackOptions* options,
                              std::string* error)
{
    *options = HackOptions();
    options->settings = DefaultSaverSettings();
    options->settings.soundEffects = 0;

    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument[0] != '-' || argument[1] == '\0') {
            *error = "unexpected argument " + Quoted(argument);
            return PARSE_ERROR;
        }
        // "-name" and "--name" are one option; "--name=value" carries its value.
        std::string name = argument + (argument[1] == '-' ? 2 : 1);
        const char* inlineValue = nullptr;
        const size_t equals = name.find('=');
        if (equals != std::string::npos) {
            inlineValue = argument + (argument[1] == '-' ? 2 : 1) + equals + 1;
            name.resize(equals);
        }
        const std::string shown = "--" + name;
        auto takeValue = [&](const char** value) {
            if (inlineValue) { *value = inlineValue; return true; }
            if (i + 1 >= argc) { *error = shown + " needs a value"; return false; }
            *value = argv[++i];
            return true;
        };
        auto noValue = [&]() {
            if (!inlineValue) return true;
            *error = shown + " takes no value";
            return false;
        };

        if (name == "help" || name == "h") {
            return PARSE_HELP;
        }
        if (name == "root") {
            if (!noValue()) return PARSE_ERROR;
            options->target = TARGET_ROOT;
            continue;
        }
        if (name == "window-id") {
            const char* value;
            if (!takeValue(&value)) return PARSE_ERROR;
            if (!ParseWindowId(value, &options->windowId)) {
                *error = "bad value " + Quoted(value) +
                         " for --window-id (a window id, decimal or 0x hex)";
                return PARSE_ERROR;
            }
            options->target = TARGET_WINDOW_ID;
            continue;
        }
        if (name == "delay") {
            const char* value;
            int64_t delay = 0;
            if (!takeValue(&value)) return PARSE_ERROR;
            if (!ParseInteger(value, &delay) || delay < 0 || delay > MAX_DELAY_US) {
                *error = "bad value " + Quoted(value) + " for --delay (0 to " +
                         std::to_string(MAX_DELAY_US) + " microseconds)";
                return PARSE_ERROR;
            }
            options->delayMicroseconds = delay;
            continue;
        }
        if (name == "fps") {
            if (!noValue()) return PARSE_ERROR;
            options->showFps = true;
            continue;
        }
        if (name == "picture") {
            const char* value;
            if (!takeValue(&value)) return PARSE_ERROR;
            if (!*value) {
                *error = "--picture needs a file name";
                return PARSE_ERROR;
            }
            options->settings.pictureFile = value;
            continue;
        }
        if (name == "snapshot" || name == "no-snapshot") {
            if (!noValue()) return PARSE_ERROR;
            options->settings.useSnapshot = name == "snapshot" ? 1 : 0;
            continue;
        }

        bool known = false;
        for (const SliderOption& slider : SLIDERS) {
            if (name != slider.name) continue;
            const SettingInfo& info = g_settingTable[slider.id];
            const int64_t low = int64_t(info.sliderMin) * info.scale;
            const int64_t high = int64_t(info.sliderMax) * info.scale;
            const char* value;
            int64_t number = 0;
            if (!takeValue(&value)) return PARSE_ERROR;
            if (!ParseInteger(value, &number) || number < low || number > high) {
                *error = "bad value " + Quoted(value) + " for " + shown + " (" +
                         std::to_string(low) + " to " + std::to_string(high) + ")";
                return PARSE_ERROR;
            }
            SetNumericSetting(&options->settings, slider.id, static_cast<uint32_t>(number));
            known = true;
        }
        for (const EffectOption& effect : EFFECTS) {
            const bool on = name == effect.name;
            if (!on && name != std::string("no-") + effect.name) continue;
            if (!noValue()) return PARSE_ERROR;
            if (on) options->settings.effectMask |= effect.bit;
            else options->settings.effectMask &= ~effect.bit;
            known = true;
        }
        if (!known) {
            *error = "unknown option " + Quoted(argument);
            return PARSE_ERROR;
        }
    }
    return PARSE_RUN;
}

const char* HackUsage()
{
    return "Usage: lakeglass [options]\n"
           "Water ripples over a picture of the desktop or of a file.\n"
           "\n"
           "Where it draws (default: a window of its own):\n"
           "  --root                 the window in XSCREENSAVER_WINDOW, else the root window\n"
           "  --window-id ID         the window ID (decimal or 0x hex)\n"
           "\n"
           "Frames:\n"
           "  --delay MICROSECONDS   time between frames (default 50000: 20 per second)\n"
           "  --fps                  print the measured frame rate once a second\n"
           "\n"
           "Water (the saver's settings; defaults as on Windows):\n"
           "  --ripple-size N        2 to 8 (default 4): how long the rings last\n"
           "  --ripple-depth N       2 to 8 (default 4): smaller is deeper water\n"
           "  --drop-size N          1 to 7 (default 2): radius of each drop\n"
           "  --drop-weight N        768 to 2304 (default 1536): height of each drop\n"
           "  --rain, --no-rain      drops at random places (default on)\n"
           "  --rebound, --no-rebound  a flock of drops from edge to edge (default on)\n"
           "  --fancy, --no-fancy    drops tracing curves round the centre (default on)\n"
           "\n"
           "Picture under the water (default: the desktop snapshot):\n"
           "  --picture FILE         a JPEG, PNG or BMP file\n"
           "  --snapshot             the desktop, even when --picture is given\n"
           "  --no-snapshot          the picture file when one is given\n"
           "\n"
           "  --help                 this text\n"
           "Single-dash spellings (-root, -window-id, -delay) work too.\n";
}
