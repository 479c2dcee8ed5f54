// The Linux program's command line as a fuzz target: arguments split from the input at its
// zero bytes. Each is also read alone as a window id, as XScreenSaver's XSCREENSAVER_WINDOW
// is read, and as the value of a number option. Seeds are XScreenSaver's spellings and the
// refusals the option tests know.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ripple/monitor_layout.h"
#include "x11/hack_options.h"
#include "tests/fuzz/fuzz_target.h"

namespace {

const char NAME[] = "hack_options_sweep";
const uint64_t X_ID_LIMIT = uint64_t(1) << 29;

bool AllOf(const char* text, const char* allowed)
{
    return *text != '\0' && text[std::strspn(text, allowed)] == '\0';
}

// A window id is decimal digits, or hexadecimal ones after "0x", naming a window X can have.
void CheckWindowId(const char* text)
{
    uint64_t id = 7;
    const bool read = ParseWindowId(text, &id);
    if (!read) {
        Check(id == 7, NAME, "a refused window id leaves the id alone");
        return;
    }
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    Check(hex ? AllOf(text + 2, "0123456789abcdefABCDEF") : AllOf(text, "0123456789"), NAME,
          "a window id is digits of its base and nothing else");
    Check(id > 0 && id < X_ID_LIMIT, NAME, "a window id names a window X can have");
}

ParseOutcome Parse(std::vector<const char*> arguments, HackOptions* options, std::string* error)
{
    arguments.insert(arguments.begin(), "lakeglass");
    return ParseHackOptions(static_cast<int>(arguments.size()), arguments.data(), options, error);
}

// A number option takes a whole decimal number, nothing before or after it.
void CheckNumberValue(const char* text)
{
    HackOptions options;
    std::string error;
    if (Parse({"--delay", text}, &options, &error) != PARSE_RUN) return;
    Check(AllOf(text[0] == '-' ? text + 1 : text, "0123456789"), NAME,
          "a number is decimal digits and nothing else");
    Check(options.delayMicroseconds == std::stoll(text), NAME, "the delay is the number given");
}

void CheckOptions(ParseOutcome outcome, const HackOptions& options, const std::string& error)
{
    if (outcome == PARSE_ERROR) Check(!error.empty(), NAME, "a refusal says what was refused");
    if (outcome != PARSE_RUN) return;
    const SaverSettings& settings = options.settings;
    for (SettingId id :
         {SETTING_RIPPLE_SIZE, SETTING_RIPPLE_DEPTH, SETTING_DROP_SIZE, SETTING_DROP_WEIGHT}) {
        const SettingInfo& info = g_settingTable[id];
        const int32_t value = static_cast<int32_t>(GetNumericSetting(settings, id));
        Check(value >= info.sliderMin * info.scale && value <= info.sliderMax * info.scale, NAME,
              "a slider's value lies in the dialog's domain");
    }
    Check(options.delayMicroseconds >= 0 && options.delayMicroseconds <= MAX_DELAY_US, NAME,
          "the delay lies in its domain");
    const bool windowAllowed = options.windowId > 0 && options.windowId < X_ID_LIMIT;
    Check(options.target != TARGET_WINDOW_ID || windowAllowed, NAME,
          "a window to draw in is one X can have");
    Check(settings.pictureLayout >= 0 && settings.pictureLayout < LAYOUT_COUNT, NAME,
          "a known layout");
    Check(settings.soundEffects == 0, NAME, "the Linux program makes no sound");
}

void RunHackOptions(const uint8_t* data, size_t size)
{
    // Each argument its own exact-length copy with its terminator.
    std::vector<std::unique_ptr<ExactText>> texts;
    for (size_t start = 0; size > 0 && start <= size;) {
        const void* zero = std::memchr(data + start, 0, size - start);
        const size_t end = zero ? static_cast<const uint8_t*>(zero) - data : size;
        texts.emplace_back(new ExactText(data + start, end - start));
        start = end + 1;
    }
    std::vector<const char*> arguments;
    for (const auto& text : texts) arguments.push_back(text->text());

    HackOptions options;
    std::string error;
    CheckOptions(Parse(arguments, &options, &error), options, error);
    for (const char* argument : arguments) {
        CheckWindowId(argument);
        CheckNumberValue(argument);
    }
}

std::vector<Seed> Seeds()
{
    const std::vector<std::vector<std::string>> lines = {
        {"-root", "-delay", "20000", "-drop-size", "7", "-fps"},
        {"--root", "--delay=20000", "-drop-size=7", "--fps"},
        {"-window-id", "0x400001"},
        {"--window-id", "4194305", "--no-rain", "--no-fancy", "--rebound"},
        {"--window-id=0X1fffffff"},
        {"--window-id", "0x20000000"},
        {"--window-id", "0x 5"},
        {"--ripple-size", "2", "--ripple-depth", "8", "--drop-weight", "768"},
        {"--drop-weight", "2304", "--delay", "10000001"},
        {"--picture", "/some/lake.png", "--snapshot", "--layout", "span", "--no-snapshot"},
        {"--help"},
        {"-", "stray"},
        {"--layout"},
        {"--root=yes"},
        {"--ripple-depth", "99999999999999999999"},
        // What strtoull and strtoll take and a window id or a number must not: white space,
        // a sign after it, a second "0x".
        {"--window-id", "\t5", "--window-id=\n+5"},
        {"--window-id", "0x0x5"},
        {"--delay", "\r5", "--drop-size=\v7", "--ripple-size", "\f4"},
    };
    std::vector<Seed> seeds;
    for (const auto& line : lines) {
        Seed seed{"arguments-" + std::to_string(seeds.size()), {}};
        for (const std::string& argument : line) seed.parts.push_back(TextPart(argument));
        seeds.push_back(seed);
    }
    return seeds;
}

Bytes Pack(const std::vector<Bytes>& parts)
{
    Bytes input;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) input.push_back(0);
        input.insert(input.end(), parts[i].begin(), parts[i].end());
    }
    return input;
}

}  // namespace

const FuzzTarget FUZZ_TARGET = {NAME, RunHackOptions, Seeds, Pack, false, 64,
                                 " \t\n\v\f\r+-=0x9aFX", 200000};
