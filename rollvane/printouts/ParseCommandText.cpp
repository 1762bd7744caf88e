#include "rollvane/printouts/ParseCommandText.h"

#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rollvane {

namespace {

// The language is defined by two passes: the first blanks separators and comments out, with
// its own quote flag; the second reads tokens up to those blanks, with a second quote flag. Both flags are kept here in
// one read-only scan. They part when a quote ends up inside a name's token (A"), and from then on the first flag alone
// decides whether a space separates, the second whether letters and digits are text or tokens.
enum Kind : uint8_t {
    kPlain,    // gives itself
    kBlank,    // tab, CR, LF and NUL: always a separator
    kSpace,    // a separator only outside the first pass's quotes
    kQuote,    // opens and closes quoted text
    kComment,  // ';' up to the next CR, also inside quotes
    kLetter,   // starts a name outside quotes
    kDigit,    // starts a number outside quotes
};

constexpr Kind KindOf(int c)
{
    if (c == '\t' || c == '\r' || c == '\n' || c == 0) {
        return kBlank;
    }
    if (c == ' ') {
        return kSpace;
    }
    if (c == '"') {
        return kQuote;
    }
    if (c == ';') {
        return kComment;
    }
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
        return kLetter;
    }
    return c >= '0' && c <= '9' ? kDigit : kPlain;
}

using ByteTable = std::array<uint8_t, 256>;

template <typename Rule>
constexpr ByteTable MakeTable(Rule rule)
{
    ByteTable table{};
    for (int c = 0; c < 256; ++c) {
        table[c] = static_cast<uint8_t>(rule(c));
    }
    return table;
}

constexpr ByteTable kKinds = MakeTable(KindOf);
// Bytes skipped between tokens, by the first pass's quote flag.
constexpr ByteTable kGap[2] = {MakeTable([](int c) { return KindOf(c) == kBlank || KindOf(c) == kSpace; }),
                               MakeTable([](int c) { return KindOf(c) == kBlank; })};
// Bytes that end a run of quoted text, by the first pass's quote flag.
constexpr ByteTable kTextEnd[2] = {MakeTable([](int c) {
                                       const Kind kind = KindOf(c);
                                       return kind == kBlank || kind == kSpace || kind == kQuote || kind == kComment;
                                   }),
                                   MakeTable([](int c) {
                                       const Kind kind = KindOf(c);
                                       return kind == kBlank || kind == kQuote || kind == kComment;
                                   })};
// Bytes where a token may end: a separator or ';' ends it, a quote or a quoted space does not.
constexpr ByteTable kTokenStop = kTextEnd[0];
// Decimal numbers take A to F as digits too, in either case; 0xFF: not a digit.
constexpr ByteTable kDigitValues = MakeTable([](int c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
        return (c | 0x20) - 'a' + 10;
    }
    return 0xFF;
});

#if defined(__SSE2__)
// Demo files are mostly quoted text and padding, so those runs are taken 16 bytes at a time.
__m128i Equal(__m128i bytes, char c)
{
    return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c));
}

__m128i BlankBytes(__m128i bytes)
{
    return _mm_or_si128(_mm_or_si128(Equal(bytes, '\t'), Equal(bytes, '\r')),
                        _mm_or_si128(Equal(bytes, '\n'), Equal(bytes, 0)));
}
#endif

// Copies quoted text from i on up to the next byte of kTextEnd; that byte's index.
std::size_t CopyText(const uint8_t *in, std::size_t i, std::size_t size, bool firstQuoted, uint8_t *&out)
{
#if defined(__SSE2__)
    // Whole blocks are stored before their end is known: the output never runs ahead of
    // the input, so a block that fits the input fits the output.
    if (firstQuoted) {
        for (; size - i >= 16; i += 16, out += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out), bytes);
            const __m128i ends = _mm_or_si128(BlankBytes(bytes), _mm_or_si128(Equal(bytes, '"'), Equal(bytes, ';')));
            const auto mask = static_cast<unsigned>(_mm_movemask_epi8(ends));
            if (mask != 0) {
                const auto length = static_cast<std::size_t>(__builtin_ctz(mask));
                out += length;
                return i + length;
            }
        }
    }
#endif
    const ByteTable &ends = kTextEnd[firstQuoted];
    while (i < size && !ends[in[i]]) {
        *out++ = in[i++];
    }
    return i;
}

// The index of the first byte from i on that is not a separator outside quotes.
std::size_t SkipGap(const uint8_t *in, std::size_t i, std::size_t size, bool firstQuoted)
{
    const ByteTable &gap = kGap[firstQuoted];
    // Most gaps are a space or a line end; longer ones are padding before a comment.
    for (int n = 0; n < 4; ++n, ++i) {
        if (i == size || !gap[in[i]]) {
            return i;
        }
    }
#if defined(__SSE2__)
    if (!firstQuoted) {
        for (; size - i >= 16; i += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
            const auto mask =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(BlankBytes(bytes), Equal(bytes, ' '))));
            if (mask != 0xFFFF) {
                return i + static_cast<std::size_t>(__builtin_ctz(~mask));
            }
        }
    }
#endif
    while (i < size && gap[in[i]]) {
        ++i;
    }
    return i;
}

// A comment ends with the next CR, which is a separator itself; a lone LF does not end it.
std::size_t AfterComment(const uint8_t *in, std::size_t i, std::size_t size)
{
    const void *cr = std::memchr(in + i, '\r', size - i);
    return cr == nullptr ? size : static_cast<std::size_t>(static_cast<const uint8_t *>(cr) - in) + 1;
}

CommandTextResult Failed(std::vector<uint8_t> &output, std::size_t offset, std::string_view reason)
{
    output.clear();
    return {false, offset, reason};
}

}  // namespace

CommandTextResult ParseCommandText(std::string_view text, std::vector<uint8_t> &output)
{
    const auto *in = reinterpret_cast<const uint8_t *>(text.data());
    const std::size_t size = text.size();
    // Every byte given stands for at least one byte read, so this is enough room.
    if (output.size() < size) {
        output.resize(size);
    }
    uint8_t *const begin = output.data();
    uint8_t *out = begin;
    bool firstQuoted = false;
    bool quoted = false;
    std::size_t i = 0;
    while (i < size) {
        if (quoted) {
            i = CopyText(in, i, size, firstQuoted, out);
            if (i == size) {
                break;
            }
            const Kind kind = static_cast<Kind>(kKinds[in[i]]);
            if (kind == kComment) {
                i = AfterComment(in, i, size);
                continue;
            }
            if (kind == kQuote) {
                firstQuoted = !firstQuoted;
                quoted = false;
            }
            ++i;
            continue;
        }
        i = SkipGap(in, i, size, firstQuoted);
        if (i == size) {
            break;
        }
        const uint8_t c = in[i];
        const Kind kind = static_cast<Kind>(kKinds[c]);
        if (kind == kPlain || kind == kSpace) {
            *out++ = c;
            ++i;
            continue;
        }
        if (kind == kQuote) {
            firstQuoted = !firstQuoted;
            quoted = true;
            ++i;
            continue;
        }
        if (kind == kComment) {
            i = AfterComment(in, i, size);
            continue;
        }
        // A token runs to the first pass's next separator; a quote inside it still toggles
        // that pass's flag, so a space after A" belongs to the token.
        const std::size_t start = i;
        for (++i; i < size; ++i) {
            if (kTokenStop[in[i]]) {
                const Kind next = static_cast<Kind>(kKinds[in[i]]);
                if (next == kQuote) {
                    firstQuoted = !firstQuoted;
                } else if (next != kSpace || !firstQuoted) {
                    break;
                }
            }
        }
        const std::size_t length = i - start;
        if (kind == kLetter) {
            if (length >= 4) {
                return Failed(output, start, "name of 4 or more characters");
            }
            if (length == 1) {
                *out++ = c;
            } else if (length == 3 && c == 'E' && in[start + 1] == 'S' && in[start + 2] == 'C') {
                *out++ = 0x1B;
            }
            continue;
        }
        std::size_t digit = start;
        unsigned base = 10;
        if (length >= 2 && c == '0' && (in[start + 1] | 0x20) == 'x') {
            digit += 2;
            base = 16;
        }
        unsigned value = 0;
        for (; digit < i; ++digit) {
            const unsigned digitValue = kDigitValues[in[digit]];
            if (digitValue > 0x0F) {
                return Failed(output, start, "not a digit in a number");
            }
            value = (value * base + digitValue) & 0xFFFF;
        }
        if (value > 0xFF) {
            return Failed(output, start, "number above 255");
        }
        *out++ = static_cast<uint8_t>(value);
    }
    output.resize(static_cast<std::size_t>(out - begin));
    return {};
}

}  // namespace rollvane
