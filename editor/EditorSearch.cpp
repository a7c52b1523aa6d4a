// The search routine: pattern preparation, character comparison with the case
// and width foldings, whole words, skipped line breaks and blanks, forward and
// backward walks that only ever start a match on a character boundary.
#include "EditorSearch.h"

#include <cstring>
#include <vector>

#include "Editor.h"

namespace {

constexpr uint8_t CR = 0x0D, LF = 0x0A;
constexpr uint8_t Voiced = 0xDE, SemiVoiced = 0xDF;

// The full-width forms of 0x20 .. 0x7E.
constexpr uint16_t AsciiFull[95] = {
    0x8140, 0x8149, 0x8168, 0x8194, 0x8190, 0x8193, 0x8195, 0x8166,  // blank ! " # $ % & '
    0x8169, 0x816A, 0x8196, 0x817B, 0x8143, 0x817C, 0x8144, 0x815E,  // ( ) * + , - . /
    0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256,  // 0 .. 7
    0x8257, 0x8258, 0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148,  // 8 9 : ; < = > ?
    0x8197, 0x8260, 0x8261, 0x8262, 0x8263, 0x8264, 0x8265, 0x8266,  // @ A .. G
    0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E,  // H .. O
    0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276,  // P .. W
    0x8277, 0x8278, 0x8279, 0x816D, 0x818F, 0x816E, 0x814F, 0x8151,  // X Y Z [ \ ] ^ _
    0x814D, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287,  // ` a .. g
    0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F,  // h .. o
    0x8290, 0x8291, 0x8292, 0x8293, 0x8294, 0x8295, 0x8296, 0x8297,  // p .. w
    0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0x8150,          // x y z { | } ~
};

// The full-width forms of the half-width kana 0xA1 .. 0xDF.
constexpr uint16_t KanaFull[63] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8144,                          // A1 .. A5
    0x8392, 0x8340, 0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385,  // A6 .. AD
    0x8387, 0x8362, 0x815B,                                          // AE AF B0
    0x8341, 0x8343, 0x8345, 0x8347, 0x8349,                          // B1 .. B5
    0x834A, 0x834C, 0x834E, 0x8350, 0x8352,                          // B6 .. BA
    0x8354, 0x8356, 0x8358, 0x835A, 0x835C,                          // BB .. BF
    0x835E, 0x8360, 0x8363, 0x8365, 0x8367,                          // C0 .. C4
    0x8369, 0x836A, 0x836B, 0x836C, 0x836D,                          // C5 .. C9
    0x836E, 0x8371, 0x8374, 0x8377, 0x837A,                          // CA .. CE
    0x837D, 0x837E, 0x8380, 0x8381, 0x8382,                          // CF .. D3
    0x8384, 0x8386, 0x8388,                                          // D4 .. D6
    0x8389, 0x838A, 0x838B, 0x838C, 0x838D,                          // D7 .. DB
    0x838F, 0x8393, 0x814A, 0x814B,                                  // DC .. DF
};

struct TTables {
    uint8_t Upper[256];
    uint16_t Full[256];
    bool Delim[256];
    bool Lead[256];
    TTables() {
        for (int b = 0; b < 256; ++b) {
            Upper[b] = static_cast<uint8_t>(b >= 'a' && b <= 'z' ? b - 0x20 : b);
            Full[b] = 0;
            if (b >= 0x20 && b <= 0x7E) Full[b] = AsciiFull[b - 0x20];
            if (b >= 0xA1 && b <= 0xDF) Full[b] = KanaFull[b - 0xA1];
            Delim[b] = b <= 0x2F || (b >= 0x3A && b <= 0x40) || (b >= 0x5B && b <= 0x60) || (b >= 0x7B && b <= 0x80) ||
                       (b >= 0xA0 && b <= 0xA5) || b >= 0xFD;
            Lead[b] = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        }
    }
};

const TTables& Tables() {
    static const TTables t;
    return t;
}

bool IsBreak(uint8_t b) { return b == CR || b == LF; }

class TMatcher {
public:
    TMatcher(std::string_view Buffer, std::string_view Pattern, uint16_t Options)
        : t(Tables()),
          B(reinterpret_cast<const uint8_t*>(Buffer.data())),
          N(Buffer.size()),
          MatchCase(Options & soMatchCase),
          Fuzzy(Options & soFuzzy),
          SkipBreaks(Options & soIgnoreLineBreaks),
          SkipBlanks(Options & soIgnoreBlanks),
          Whole(Options & soWholeWord) {
        Prepare(Pattern);
        BuildFirst();
    }

    const TTables& t;
    const uint8_t* B;
    size_t N;
    bool MatchCase, Fuzzy, SkipBreaks, SkipBlanks, Whole;
    std::vector<uint16_t> Pat;  // one code per pattern character
    bool First[256];            // the bytes a match may begin with

    size_t CharLen(size_t q) const { return (t.Lead[B[q]] && q + 1 < N && !IsBreak(B[q + 1])) ? 2 : 1; }

    // The code of the buffer's character at q (a character boundary) and its length.
    uint16_t Code(size_t q, size_t& Len) const {
        const uint8_t b = B[q];
        if (t.Lead[b] && q + 1 < N && !IsBreak(B[q + 1])) {
            Len = 2;
            const uint16_t c = static_cast<uint16_t>(b << 8 | B[q + 1]);
            return MatchCase ? c : editorsearch::FoldDouble(c);
        }
        Len = 1;
        if (!Fuzzy) return MatchCase ? b : t.Upper[b];
        if (q + 1 < N && (B[q + 1] == Voiced || B[q + 1] == SemiVoiced)) {
            if (uint16_t v = editorsearch::VoicedOf(b, B[q + 1])) {
                Len = 2;
                return v;
            }
        }
        uint16_t f = t.Full[b];
        if (!f) return b;
        if (!MatchCase && f >= 0x8281 && f <= 0x829A) f = static_cast<uint16_t>(f - 0x21);
        return f;
    }

    // The length of the match at p (skipped bytes included), or -1.
    long MatchAt(size_t p) const {
        size_t q = p;
        bool any = false;
        for (size_t k = 0; k < Pat.size();) {
            if (q >= N) return -1;
            size_t len;
            if (Code(q, len) == Pat[k]) {
                q += len;
                ++k;
                any = true;
                continue;
            }
            if (any) {
                const uint8_t b = B[q];
                if (SkipBreaks && IsBreak(b)) {
                    ++q;
                    continue;
                }
                if (SkipBlanks) {
                    if (b == '\t' || b == ' ') {
                        ++q;
                        continue;
                    }
                    if (b == 0x81 && q + 1 < N && B[q + 1] == 0x40) {
                        q += 2;
                        continue;
                    }
                }
            }
            return -1;
        }
        // a whole word ends before a delimiter or at the end of the buffer
        if (Whole && q < N && !t.Delim[B[q]]) return -1;
        return static_cast<long>(q - p);
    }

    // True when position x is a character boundary, given a boundary Known <= x.
    // Only the run of lead-range bytes just before x has to be looked at: the
    // byte before such a run is a single byte or a trail byte, so the run
    // begins on a boundary and pairs from there.
    bool IsBoundary(size_t x, size_t Known) const {
        if (x == Known || x >= N || IsBreak(B[x])) return true;
        size_t s = x;
        while (s > Known && t.Lead[B[s - 1]]) --s;
        return ((x - s) & 1) == 0;
    }

    size_t NeedBytes(size_t PatternBytes) const { return Fuzzy ? Pat.size() : PatternBytes; }

private:
    void Prepare(std::string_view Pattern) {
        const auto* p = reinterpret_cast<const uint8_t*>(Pattern.data());
        const size_t n = Pattern.size();
        Pat.reserve(n);
        for (size_t i = 0; i < n;) {
            const uint8_t b = p[i];
            if (t.Lead[b] && i + 1 < n && !IsBreak(p[i + 1])) {
                const uint16_t c = static_cast<uint16_t>(b << 8 | p[i + 1]);
                Pat.push_back(MatchCase ? c : editorsearch::FoldDouble(c));
                i += 2;
                continue;
            }
            const uint8_t c = MatchCase ? b : t.Upper[b];
            if (Fuzzy) {
                if (i + 1 < n && (p[i + 1] == Voiced || p[i + 1] == SemiVoiced)) {
                    if (uint16_t v = editorsearch::VoicedOf(c, p[i + 1])) {
                        Pat.push_back(v);
                        i += 2;
                        continue;
                    }
                }
                Pat.push_back(t.Full[c] ? t.Full[c] : c);
            } else {
                Pat.push_back(c);
            }
            ++i;
        }
    }

    void BuildFirst() {
        const uint16_t f = Pat.empty() ? 0 : Pat[0];
        for (int b = 0; b < 256; ++b) {
            bool ok = false;
            if (t.Lead[b]) {
                // a double-byte character, or a lone lead byte read as a single byte
                ok = (f >> 8) == b || f == b ||
                     (!MatchCase && (f >> 8) == 0x87 && (b == 0xEE || b == 0xFA));
            } else if (!Fuzzy) {
                ok = (MatchCase ? b : t.Upper[b]) == f;
            } else {
                uint16_t full = t.Full[b] ? t.Full[b] : static_cast<uint16_t>(b);
                if (!MatchCase && full >= 0x8281 && full <= 0x829A) full = static_cast<uint16_t>(full - 0x21);
                ok = full == f || (f >= 0x100 && (editorsearch::VoicedOf(static_cast<uint8_t>(b), Voiced) == f ||
                                                  editorsearch::VoicedOf(static_cast<uint8_t>(b), SemiVoiced) == f));
            }
            First[b] = ok;
        }
    }
};

bool SearchForward(const TMatcher& M, size_t Start, size_t PatternBytes, int& OutStart, int& OutLength) {
    const size_t n = M.N;
    if (Start > n) return false;
    if (!M.IsBoundary(Start, 0)) ++Start;  // after the character whose trail byte it was
    const size_t need = M.NeedBytes(PatternBytes);
    if (Start + need > n) return false;
    const size_t last = n - need;  // the last position a match can begin at
    auto found = [&](size_t p, long len) {
        OutStart = static_cast<int>(p);
        OutLength = static_cast<int>(len);
        return true;
    };
    if (M.Whole) {
        // character by character, so the character before each position is known
        bool prevDelim = Start == 0 || (M.IsBoundary(Start - 1, 0) && M.t.Delim[M.B[Start - 1]]);
        for (size_t p = Start; p <= last;) {
            const uint8_t b = M.B[p];
            const size_t cl = M.CharLen(p);
            if (prevDelim && !M.t.Delim[b] && M.First[b]) {
                long len = M.MatchAt(p);
                if (len >= 0) return found(p, len);
            }
            prevDelim = cl == 1 && M.t.Delim[b];
            p += cl;
        }
        return false;
    }
    int firstCount = 0, firstByte = 0;
    for (int b = 0; b < 256; ++b)
        if (M.First[b]) {
            ++firstCount;
            firstByte = b;
        }
    if (firstCount == 0) return false;
    size_t p = Start;  // always a character boundary
    while (p <= last) {
        size_t x;
        if (firstCount == 1) {
            const void* hit = std::memchr(M.B + p, firstByte, last - p + 1);
            if (!hit) return false;
            x = static_cast<size_t>(static_cast<const uint8_t*>(hit) - M.B);
        } else {
            x = p;
            while (x <= last && !M.First[M.B[x]]) ++x;
            if (x > last) return false;
        }
        if (!M.IsBoundary(x, p)) {
            p = x + 1;  // x was a trail byte; the next character starts after it
            continue;
        }
        long len = M.MatchAt(x);
        if (len >= 0) return found(x, len);
        p = x + M.CharLen(x);
    }
    return false;
}

bool SearchBackward(const TMatcher& M, size_t Start, size_t PatternBytes, int& OutStart, int& OutLength) {
    const size_t n = M.N;
    if (Start > n) return false;
    // which positions up to Start are trail bytes
    const size_t k = Start < n ? Start + 1 : n;
    std::vector<uint8_t> trail(k, 0);
    for (size_t i = 0; i < k;) {
        const size_t cl = M.CharLen(i);
        if (cl == 2 && i + 1 < k) trail[i + 1] = 1;
        i += cl;
    }
    long s = static_cast<long>(Start);
    if (!M.Fuzzy) {
        s -= static_cast<long>(PatternBytes);
    } else {
        // back by as many characters as the pattern has; a kana with its mark is one
        for (size_t j = 0; j < M.Pat.size() && s >= 0; ++j) {
            if (s == 0) {
                s = -1;
                break;
            }
            const size_t q = static_cast<size_t>(s);
            if (trail[q - 1])
                s -= 2;
            else if (q >= 2 && !trail[q - 2] && M.CharLen(q - 2) == 1 && editorsearch::VoicedOf(M.B[q - 2], M.B[q - 1]))
                s -= 2;
            else
                s -= 1;
        }
    }
    if (s < 0) return false;
    if (trail[static_cast<size_t>(s)]) --s;
    for (long p = s; p >= 0; --p) {
        const size_t q = static_cast<size_t>(p);
        if (trail[q] || !M.First[M.B[q]]) continue;
        if (M.Whole) {
            if (M.t.Delim[M.B[q]]) continue;
            if (q > 0 && (trail[q - 1] || !M.t.Delim[M.B[q - 1]])) continue;
        }
        long len = M.MatchAt(q);
        if (len >= 0) {
            OutStart = static_cast<int>(q);
            OutLength = static_cast<int>(len);
            return true;
        }
    }
    return false;
}

}  // namespace

namespace editorsearch {

uint16_t FullWidthOf(uint8_t B) { return Tables().Full[B]; }

uint16_t VoicedOf(uint8_t Kana, uint8_t Mark) {
    if (Mark == Voiced) {
        if (Kana == 0xB3) return 0x8394;
        if ((Kana >= 0xB6 && Kana <= 0xC4) || (Kana >= 0xCA && Kana <= 0xCE)) return Tables().Full[Kana] + 1;
    } else if (Mark == SemiVoiced) {
        // only the h-row takes the semi-voiced mark
        if (Kana >= 0xCA && Kana <= 0xCE) return Tables().Full[Kana] + 2;
    }
    return 0;
}

uint16_t FoldDouble(uint16_t C) {
    const unsigned lead = C >> 8, tr = C & 0xFF;
    switch (lead) {
        case 0x82:
            if (tr >= 0x81 && tr <= 0x9A) return static_cast<uint16_t>(C - 0x21);
            break;
        case 0x83:
            if (tr >= 0xBF && tr <= 0xD6) return static_cast<uint16_t>(C - 0x20);
            break;
        case 0x84:
            if (tr >= 0x70 && tr <= 0x7E) return static_cast<uint16_t>(C - 0x30);
            if (tr >= 0x80 && tr <= 0x91) return static_cast<uint16_t>(C - 0x31);
            break;
        case 0xEE:
            if (tr >= 0xEF && tr <= 0xF8) return static_cast<uint16_t>(0x8754 + (tr - 0xEF));
            break;
        case 0xFA:
            if (tr >= 0x40 && tr <= 0x49) return static_cast<uint16_t>(0x8754 + (tr - 0x40));
            break;
        default:
            break;
    }
    return C;
}

bool IsWordDelimiter(uint8_t B) { return Tables().Delim[B]; }

}  // namespace editorsearch

bool SearchText(std::string_view Buffer, int& Start, int& Length, std::string_view Pattern, uint16_t Options) {
    if (Pattern.empty() || Buffer.empty()) return false;
    if (Start < 0 || Length < 0 || static_cast<size_t>(Start) > Buffer.size()) return false;
    const TMatcher m(Buffer, Pattern, Options);
    int s = 0, l = 0;
    bool ok = (Options & soForward)
                  ? SearchForward(m, static_cast<size_t>(Start) + static_cast<size_t>(Length), Pattern.size(), s, l)
                  : SearchBackward(m, static_cast<size_t>(Start), Pattern.size(), s, l);
    if (!ok) return false;
    Start = s;
    Length = l;
    return true;
}
