// Option parsing for the Linux program. The four sliders take the stored values of the
// Windows settings dialog, so one table bounds both; the check boxes are effect bits.
#include "x11/hack_options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "ripple/effects.h"
#include "ripple/monitor_layout.h"

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

// A whole decimal number, nothing before or after it: strtoll alone would also take white
// space and a plus sign before it.
bool ParseInteger(const char* text, int64_t* value)
{
    if (!text) return false;
    const char* digits = text[0] == '-' ? text + 1 : text;
    if (!std::isdigit(static_cast<unsigned char>(digits[0]))) return false;
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0') return false;
    *value = parsed;
    return true;
}

std::string Quoted(const char* text) { return std::string("'") + text + "'"; }

}  // namespace

bool ParseWindowId(const char* text, uint64_t* id)
{
    if (!text) return false;
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* digits = hex ? text + 2 : text;
    // Digits of the base and nothing else: strtoull alone would also take white space, a
    // sign and, in base 16, a second "0x".
    const size_t count = std::strspn(digits, hex ? "0123456789abcdefABCDEF" : "0123456789");
    if (count == 0 || digits[count] != '\0') return false;
    errno = 0;
    const unsigned long long parsed = std::strtoull(digits, nullptr, hex ? 16 : 10);
    if (errno != 0 || parsed == 0 || parsed >= X_ID_LIMIT) return false;
    *id = parsed;
    return true;
}

namespace {

// One option being read: its name without dashes, a value given after "=", and the way
// to take its value from the next argument.
struct OptionReader {
    int argc;
    const char* const* argv;
    int index;
    std::string name;
    const char* inlineValue;
    std::string* error;

    std::string Shown() const { return "--" + name; }

    bool TakeValue(const char** value)
    {
        if (inlineValue) {
            *value = inlineValue;
            return true;
        }
        if (index + 1 >= argc) {
            *error = Shown() + " needs a value";
            return false;
        }
        *value = argv[++index];
        return true;
    }

    bool NoValue()
    {
        if (!inlineValue) return true;
        *error = Shown() + " takes no value";
        return false;
    }
};

enum OptionResult { OPTION_TAKEN, OPTION_UNKNOWN, OPTION_REFUSED };

OptionResult Taken(bool ok) { return ok ? OPTION_TAKEN : OPTION_REFUSED; }

// The names --layout takes, in the order of the stored layouts.
const char* const LAYOUT_OPTION_NAMES[LAYOUT_COUNT] = {"stretch", "fill", "fit", "center", "span"};

// Where to draw, how fast, and which picture: the options that are the host's own.
OptionResult ReadHostOption(OptionReader* r, HackOptions* options)
{
    const char* value = nullptr;
    if (r->name == "root") {
        options->target = TARGET_ROOT;
        return Taken(r->NoValue());
    }
    if (r->name == "fps") {
        options->showFps = true;
        return Taken(r->NoValue());
    }
    if (r->name == "snapshot" || r->name == "no-snapshot") {
        options->settings.useSnapshot = r->name == "snapshot" ? 1 : 0;
        return Taken(r->NoValue());
    }
    if (r->name == "window-id") {
        if (!r->TakeValue(&value)) return OPTION_REFUSED;
        options->target = TARGET_WINDOW_ID;
        if (ParseWindowId(value, &options->windowId)) return OPTION_TAKEN;
        *r->error = "bad value " + Quoted(value) + " for --window-id (a window id, decimal or 0x hex)";
        return OPTION_REFUSED;
    }
    if (r->name == "delay") {
        int64_t delay = 0;
        if (!r->TakeValue(&value)) return OPTION_REFUSED;
        if (!ParseInteger(value, &delay) || delay < 0 || delay > MAX_DELAY_US) {
            *r->error = "bad value " + Quoted(value) + " for --delay (0 to " +
                        std::to_string(MAX_DELAY_US) + " microseconds)";
            return OPTION_REFUSED;
        }
        options->delayMicroseconds = delay;
        return OPTION_TAKEN;
    }
    if (r->name == "layout") {
        if (!r->TakeValue(&value)) return OPTION_REFUSED;
        for (int layout = 0; layout < LAYOUT_COUNT; ++layout)
            if (std::string(value) == LAYOUT_OPTION_NAMES[layout]) {
                options->settings.pictureLayout = layout;
                return OPTION_TAKEN;
            }
        *r->error = "bad value " + Quoted(value) + " for --layout (stretch, fill, fit, center or span)";
        return OPTION_REFUSED;
    }
    if (r->name == "picture") {
        if (!r->TakeValue(&value)) return OPTION_REFUSED;
        if (!*value) {
            *r->error = "--picture needs a file name";
            return OPTION_REFUSED;
        }
        options->settings.pictureFile = value;
        return OPTION_TAKEN;
    }
    return OPTION_UNKNOWN;
}

// The sliders, bounded by the settings table, and the effects' check boxes.
OptionResult ReadSceneOption(OptionReader* r, HackOptions* options)
{
    for (const SliderOption& slider : SLIDERS) {
        if (r->name != slider.name) continue;
        const SettingInfo& info = g_settingTable[slider.id];
        const int64_t low = int64_t(info.sliderMin) * info.scale;
        const int64_t high = int64_t(info.sliderMax) * info.scale;
        const char* value;
        int64_t number = 0;
        if (!r->TakeValue(&value)) return OPTION_REFUSED;
        if (!ParseInteger(value, &number) || number < low || number > high) {
            *r->error = "bad value " + Quoted(value) + " for " + r->Shown() + " (" +
                        std::to_string(low) + " to " + std::to_string(high) + ")";
            return OPTION_REFUSED;
        }
        SetNumericSetting(&options->settings, slider.id, static_cast<uint32_t>(number));
        return OPTION_TAKEN;
    }
    for (const EffectOption& effect : EFFECTS) {
        const bool on = r->name == effect.name;
        if (!on && r->name != std::string("no-") + effect.name) continue;
        if (on)
            options->settings.effectMask |= effect.bit;
        else
            options->settings.effectMask &= ~effect.bit;
        return Taken(r->NoValue());
    }
    return OPTION_UNKNOWN;
}

}  // namespace

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
        const char* bare = argument + (argument[1] == '-' ? 2 : 1);
        OptionReader reader{argc, argv, i, bare, nullptr, error};
        const size_t equals = reader.name.find('=');
        if (equals != std::string::npos) {
            reader.inlineValue = bare + equals + 1;
            reader.name.resize(equals);
        }
        if (reader.name == "help" || reader.name == "h") return PARSE_HELP;

        OptionResult result = ReadHostOption(&reader, options);
        if (result == OPTION_UNKNOWN) result = ReadSceneOption(&reader, options);
        if (result == OPTION_REFUSED) return PARSE_ERROR;
        if (result == OPTION_UNKNOWN) {
            *error = "unknown option " + Quoted(argument);
            return PARSE_ERROR;
        }
        i = reader.index;
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
           "  --layout LAYOUT        how the picture lies on each monitor: stretch (default),\n"
           "                         fill, fit, center, or span (one picture over all)\n"
           "\n"
           "  --help                 this text\n"
           "Single-dash spellings (-root, -window-id, -delay) work too.\n";
}
