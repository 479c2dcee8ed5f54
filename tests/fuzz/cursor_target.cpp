// The byte cursor as a fuzz target: a short program of reads and cuts run over a buffer
// beside a model that knows only the buffer's length, so that a read that passes the end,
// yields bytes it should not, or leaves the cursor anywhere but where the model says is
// caught even where the sanitizers see nothing.
#include <cstdint>
#include <vector>

#include "gfx/byte_cursor.h"
#include "tests/fuzz/fuzz_target.h"

namespace {

const char NAME[] = "cursor_sweep";

enum Op { GET8, GET16LE, GET32LE, GET16BE, GET32BE, SUB_CURSOR, WHOLE, GET8_RUN };

// The cursor as offsets into the buffer.
struct Model {
    uint64_t at;
    uint64_t end;
};

// A read of `width` bytes: their value, or 0 and an exhausted cursor where fewer remain.
uint32_t ModelRead(Model* model, const uint8_t* buffer, uint64_t width, bool bigEndian)
{
    if (model->end - model->at < width) {
        model->at = model->end;
        return 0;
    }
    uint32_t value = 0;
    for (uint64_t i = 0; i < width; ++i) {
        const uint64_t shift = 8 * (bigEndian ? width - 1 - i : i);
        value |= static_cast<uint32_t>(buffer[model->at + i]) << shift;
    }
    model->at += width;
    return value;
}

// Offsets and counts: small numbers, or ones at the edge of what remains.
uint64_t Amount(uint8_t code, uint64_t remaining)
{
    switch (code & 31) {
    case 28: return remaining;
    case 29: return remaining + 1;
    case 30: return uint64_t(1) << 63;
    case 31: return ~uint64_t(0);
    default: return code & 31;
    }
}

uint32_t Read(Op op, ByteCursor* cursor)
{
    switch (op) {
    case GET16LE: return Get16LE(cursor);
    case GET32LE: return Get32LE(cursor);
    case GET16BE: return Get16BE(cursor);
    case GET32BE: return Get32BE(cursor);
    default: return Get8(cursor);
    }
}

void RunCursorProgram(const uint8_t* data, size_t size)
{
    if (size == 0) return;
    const size_t programLength = data[0] < size - 1 ? data[0] : size - 1;
    const uint8_t* program = data + 1;
    const ExactCopy buffer(program + programLength, size - 1 - programLength);
    const ByteCursor whole{buffer.bytes, buffer.bytes + buffer.size};
    ByteCursor cursor = whole;
    Model model{0, buffer.size};

    const uint64_t widths[] = {1, 2, 4, 2, 4};
    for (size_t step = 0; step < programLength; ++step) {
        const Op op = static_cast<Op>(program[step] & 7);
        const uint8_t argument = program[step] >> 3;
        if (op <= GET32BE || op == GET8_RUN) {
            const int reads = op == GET8_RUN ? argument + 1 : 1;
            for (int i = 0; i < reads; ++i) {
                const uint32_t expected = ModelRead(&model, buffer.bytes, widths[op % GET8_RUN],
                                                    op == GET16BE || op == GET32BE);
                Check(Read(op, &cursor) == expected, NAME,
                      "a read yields its bytes, or 0 past the end");
            }
        } else if (op == SUB_CURSOR) {
            const uint64_t remaining = model.end - model.at;
            const uint64_t offset = Amount(argument, remaining);
            const uint8_t countCode = step + 1 < programLength ? program[++step] : 0;
            const uint64_t count = Amount(countCode, remaining);
            const bool inside = offset <= remaining && count <= remaining - offset;
            ByteCursor part{nullptr, nullptr};
            Check(SubCursor(cursor, offset, count, &part) == inside, NAME,
                  "a part is cut exactly when it lies inside");
            if (inside) {
                model = Model{model.at + offset, model.at + offset + count};
                cursor = part;
            } else {
                Check(part.begin == nullptr && part.end == nullptr, NAME,
                      "a refused part is left alone");
            }
        } else {
            cursor = whole;
            model = Model{0, buffer.size};
        }
        Check(cursor.begin == buffer.bytes + model.at && cursor.end == buffer.bytes + model.end,
              NAME, "the cursor stands where the model does");
        Check(Remaining(cursor) == model.end - model.at, NAME, "what remains is counted");
    }
}

uint8_t Do(Op op, uint8_t argument = 0) { return static_cast<uint8_t>(op | argument << 3); }

// Each read at and across the end of short buffers, and cuts at the edges of what remains.
std::vector<Seed> Seeds()
{
    const Bytes seven = {0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0x07};
    return {
        {"get8-to-the-end", {{Do(GET8), Do(GET8), Do(GET8), Do(GET8)}, {0x11, 0x22, 0x33}}},
        {"get16-across-the-end", {{Do(GET16LE), Do(GET16BE), Do(GET16LE)}, {1, 2, 3}}},
        {"get32-across-the-end", {{Do(GET32LE), Do(WHOLE), Do(GET32BE), Do(WHOLE), Do(GET8),
                                   Do(GET32LE)}, {1, 2, 3}}},
        {"get32-then-one-short", {{Do(GET32LE), Do(GET32BE), Do(GET8), Do(GET8)}, seven}},
        {"empty-buffer", {{Do(GET8), Do(GET16LE), Do(GET32BE), Do(SUB_CURSOR), 0, Do(GET8)}, {}}},
        {"cut-at-the-edges", {{Do(GET8), Do(SUB_CURSOR, 28), 0, Do(GET8), Do(WHOLE),
                               Do(SUB_CURSOR, 1), 29, Do(SUB_CURSOR, 0), 28, Do(GET16LE),
                               Do(SUB_CURSOR, 31), 31, Do(SUB_CURSOR, 30), 1, Do(GET8_RUN, 31)},
                              seven}},
        {"walk-a-part", {{Do(SUB_CURSOR, 2), 4, Do(GET8_RUN, 4), Do(WHOLE), Do(GET8_RUN, 6),
                          Do(GET16BE)}, seven}},
    };
}

Bytes Pack(const std::vector<Bytes>& parts)
{
    Bytes input = {static_cast<uint8_t>(parts[0].size())};
    input.insert(input.end(), parts[0].begin(), parts[0].end());
    input.insert(input.end(), parts[1].begin(), parts[1].end());
    return input;
}

}  // namespace

// Every operation, and cuts at the edge of what remains, at every offset of a program.
const FuzzTarget FUZZ_TARGET = {NAME, RunCursorProgram, Seeds, Pack, false, 64,
                                 "\x02\x03\x04\x05\x06\x07\xE5\xED\xF5\xFD", 1000000};
