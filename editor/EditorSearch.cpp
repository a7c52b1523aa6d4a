// The search routine: pattern preparation, character comparison with the case
// and width foldings, whole words, skipped line breaks and blanks, forward and
// backward walks that only ever start a match on a character boundary.
#include "EditorSearch.h"

#include <algorithm>
#include <cstring>
#include <string>
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

// Built before main runs; nothing searches before that.
const TTables kTables;
const TTables& Tables() { return kTables; }

bool IsBreak(uint8_t b) { return b == CR || b == LF; }

using editorsearch::TFound;
using editorsearch::TPattern;
using editorsearch::TPiece;

constexpr long kNoMatch = -1, kNeedMore = -2;

// One piece of text seen through a prepared pattern.
struct TScan {
    TScan(const TPattern& Pattern, const TPiece& Piece)
        : P(Pattern),
          t(Tables()),
          B(reinterpret_cast<const uint8_t*>(Piece.Bytes.data())),
          N(Piece.Bytes.size()),
          More(Piece.More),
          DelimBefore(Piece.DelimBefore) {}

    const TPattern& P;
    const TTables& t;
    const uint8_t* B;
    size_t N;
    bool More, DelimBefore;

    size_t CharLen(size_t q) const { return (t.Lead[B[q]] && q + 1 < N && !IsBreak(B[q + 1])) ? 2 : 1; }

    // The code of the buffer's character at q (a character boundary) and its length.
    uint16_t Code(size_t q, size_t& Len) const {
        const uint8_t b = B[q];
        if (t.Lead[b] && q + 1 < N && !IsBreak(B[q + 1])) {
            Len = 2;
            const uint16_t c = static_cast<uint16_t>(b << 8 | B[q + 1]);
            return P.MatchCase ? c : editorsearch::FoldDouble(c);
        }
        Len = 1;
        if (!P.Fuzzy) return P.MatchCase ? b : t.Upper[b];
        if (q + 1 < N && (B[q + 1] == Voiced || B[q + 1] == SemiVoiced)) {
            if (uint16_t v = editorsearch::VoicedOf(b, B[q + 1])) {
                Len = 2;
                return v;
            }
        }
        uint16_t f = t.Full[b];
        if (!f) return b;
        if (!P.MatchCase && f >= 0x8281 && f <= 0x829A) f = static_cast<uint16_t>(f - 0x21);
        return f;
    }

    // A half-width kana at the end of the piece whose mark may begin the text after it.
    bool MarkMayFollow(size_t q) const {
        return P.Fuzzy && More && q + 1 == N &&
               (editorsearch::VoicedOf(B[q], Voiced) || editorsearch::VoicedOf(B[q], SemiVoiced));
    }

    // The length of the match at p (skipped bytes included), kNoMatch, or
    // kNeedMore when the piece ends before the match is decided.
    long MatchAt(size_t p) const {
        size_t q = p;
        bool any = false;
        const std::vector<uint16_t>& pat = P.Pat;
        for (size_t k = 0; k < pat.size();) {
            if (q >= N) return More ? kNeedMore : kNoMatch;
            if (MarkMayFollow(q)) return kNeedMore;
            size_t len;
            if (Code(q, len) == pat[k]) {
                q += len;
                ++k;
                any = true;
                continue;
            }
            if (any) {
                const uint8_t b = B[q];
                if (P.SkipBreaks && IsBreak(b)) {
                    ++q;
                    continue;
                }
                if (P.SkipBlanks) {
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
            return kNoMatch;
        }
        // a whole word ends before a delimiter or at the end of the text
        if (P.Whole) {
            if (q == N && More) return kNeedMore;
            if (q < N && !t.Delim[B[q]]) return kNoMatch;
        }
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

    // Which positions 0 .. K - 1 are trail bytes.
    std::vector<uint8_t> Trails(size_t K) const {
        std::vector<uint8_t> trail(K, 0);
        for (size_t i = 0; i < K;) {
            const size_t cl = CharLen(i);
            if (cl == 2 && i + 1 < K) trail[i + 1] = 1;
            i += cl;
        }
        return trail;
    }
};

TFound Answer(long Len, size_t At, size_t& Pos, size_t& OutLen) {
    Pos = At;
    if (Len == kNeedMore) return TFound::More;
    OutLen = static_cast<size_t>(Len);
    return TFound::Match;
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

TPattern::TPattern(std::string_view Pattern, uint16_t Options)
    : MatchCase(Options & soMatchCase),
      Fuzzy(Options & soFuzzy),
      SkipBreaks(Options & soIgnoreLineBreaks),
      SkipBlanks(Options & soIgnoreBlanks),
      Whole(Options & soWholeWord),
      FText(Pattern),
      FOptions(Options) {
    const TTables& t = Tables();
    const auto* p = reinterpret_cast<const uint8_t*>(Pattern.data());
    const size_t n = Pattern.size();
    Pat.reserve(n);
    for (size_t i = 0; i < n;) {
        const uint8_t b = p[i];
        if (t.Lead[b] && i + 1 < n && !IsBreak(p[i + 1])) {
            const uint16_t c = static_cast<uint16_t>(b << 8 | p[i + 1]);
            Pat.push_back(MatchCase ? c : FoldDouble(c));
            i += 2;
            continue;
        }
        const uint8_t c = MatchCase ? b : t.Upper[b];
        if (Fuzzy) {
            if (i + 1 < n && (p[i + 1] == Voiced || p[i + 1] == SemiVoiced)) {
                if (uint16_t v = VoicedOf(c, p[i + 1])) {
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
    // the bytes a match may begin with
    const uint16_t f = Pat.empty() ? 0 : Pat[0];
    for (int b = 0; b < 256; ++b) {
        bool ok = false;
        if (Pat.empty()) {
            ok = false;
        } else if (t.Lead[b]) {
            // a double-byte character, or a lone lead byte read as a single byte
            ok = (f >> 8) == b || f == b || (!MatchCase && (f >> 8) == 0x87 && (b == 0xEE || b == 0xFA));
        } else if (!Fuzzy) {
            ok = (MatchCase ? b : t.Upper[b]) == f;
        } else {
            uint16_t full = t.Full[b] ? t.Full[b] : static_cast<uint16_t>(b);
            if (!MatchCase && full >= 0x8281 && full <= 0x829A) full = static_cast<uint16_t>(full - 0x21);
            ok = full == f || (f >= 0x100 && (VoicedOf(static_cast<uint8_t>(b), Voiced) == f ||
                                              VoicedOf(static_cast<uint8_t>(b), SemiVoiced) == f));
        }
        First[b] = ok;
        if (ok) {
            if (FirstCount < 2) FirstBytes[FirstCount] = static_cast<uint8_t>(b);
            ++FirstCount;
        }
    }
}

TFound FindForward(const TPattern& P, const TPiece& Piece, size_t From, size_t& Pos, size_t& Len) {
    const TScan M(P, Piece);
    const size_t n = M.N;
    if (P.Empty() || From >= n) return TFound::None;
    size_t start = From;
    if (!M.IsBoundary(start, 0)) ++start;  // after the character whose trail byte it was
    // the last position a match can begin at
    size_t last;
    if (M.More) {
        if (start >= n) return TFound::None;
        last = n - 1;
    } else {
        const size_t need = P.MinBytes();
        if (start + need > n) return TFound::None;
        last = n - need;
    }
    if (P.Whole) {
        // character by character, so the character before each position is known
        bool prevDelim = start == 0 ? M.DelimBefore : (M.IsBoundary(start - 1, 0) && M.t.Delim[M.B[start - 1]]);
        for (size_t p = start; p <= last;) {
            const uint8_t b = M.B[p];
            const size_t cl = M.CharLen(p);
            if (prevDelim && !M.t.Delim[b] && P.First[b]) {
                const long len = M.MatchAt(p);
                if (len != kNoMatch) return Answer(len, p, Pos, Len);
            }
            prevDelim = cl == 1 && M.t.Delim[b];
            p += cl;
        }
        return TFound::None;
    }
    if (P.FirstCount == 0) return TFound::None;
    size_t p = start;  // always a character boundary
    while (p <= last) {
        size_t x;
        if (P.FirstCount <= 2) {
            // the nearer of the one or two bytes a match begins with (a letter in two cases)
            const auto* a = static_cast<const uint8_t*>(std::memchr(M.B + p, P.FirstBytes[0], last - p + 1));
            const size_t upto = a ? static_cast<size_t>(a - M.B) : last + 1;
            const auto* b = P.FirstCount == 2 && upto > p
                                ? static_cast<const uint8_t*>(std::memchr(M.B + p, P.FirstBytes[1], upto - p))
                                : nullptr;
            if (!a && !b) return TFound::None;
            x = b ? static_cast<size_t>(b - M.B) : upto;
        } else {
            x = p;
            while (x <= last && !P.First[M.B[x]]) ++x;
            if (x > last) return TFound::None;
        }
        if (!M.IsBoundary(x, p)) {
            p = x + 1;  // x was a trail byte; the next character starts after it
            continue;
        }
        const long len = M.MatchAt(x);
        if (len != kNoMatch) return Answer(len, x, Pos, Len);
        p = x + M.CharLen(x);
    }
    return TFound::None;
}

TFound FindBackward(const TPattern& P, const TPiece& Piece, long From, size_t& Pos, size_t& Len) {
    const TScan M(P, Piece);
    const size_t n = M.N;
    if (P.Empty() || From < 0 || n == 0) return TFound::None;
    long s = std::min(From, static_cast<long>(n) - 1);
    if (!M.More) {
        // no match that begins later fits in the piece
        const long lastFit = static_cast<long>(n) - static_cast<long>(P.MinBytes());
        if (lastFit < 0) return TFound::None;
        s = std::min(s, lastFit);
    }
    const std::vector<uint8_t> trail = M.Trails(static_cast<size_t>(s) + 1);
    if (trail[static_cast<size_t>(s)]) --s;
    for (long p = s; p >= 0; --p) {
        const size_t q = static_cast<size_t>(p);
        if (trail[q] || !P.First[M.B[q]]) continue;
        if (P.Whole) {
            if (M.t.Delim[M.B[q]]) continue;
            if (q == 0 ? !M.DelimBefore : (trail[q - 1] || !M.t.Delim[M.B[q - 1]])) continue;
        }
        const long len = M.MatchAt(q);
        if (len != kNoMatch) return Answer(len, q, Pos, Len);
    }
    return TFound::None;
}

long BackwardFrom(const TPattern& P, std::string_view Bytes, size_t Start) {
    if (Start > Bytes.size()) return -1;
    long s = static_cast<long>(Start);
    if (!P.Fuzzy) return s - static_cast<long>(P.Text().size());
    // back by as many characters as the pattern has; a kana with its mark is one
    const TScan M(P, TPiece{Bytes, false, true});
    const std::vector<uint8_t> trail = M.Trails(Start < Bytes.size() ? Start + 1 : Bytes.size());
    for (size_t j = 0; j < P.Pat.size(); ++j) {
        if (s <= 0) return -1;
        const size_t q = static_cast<size_t>(s);
        if (trail[q - 1])
            s -= 2;
        else if (q >= 2 && !trail[q - 2] && M.CharLen(q - 2) == 1 && VoicedOf(M.B[q - 2], M.B[q - 1]))
            s -= 2;
        else
            s -= 1;
    }
    return s;
}

}  // namespace editorsearch

bool SearchText(std::string_view Buffer, int& Start, int& Length, std::string_view Pattern, uint16_t Options) {
    if (Pattern.empty() || Buffer.empty()) return false;
    if (Start < 0 || Length < 0 || static_cast<size_t>(Start) > Buffer.size()) return false;
    const editorsearch::TPattern p(Pattern, Options);
    const editorsearch::TPiece piece{Buffer, false, true};
    size_t pos = 0, len = 0;
    editorsearch::TFound found;
    if (Options & soForward) {
        found = editorsearch::FindForward(p, piece, static_cast<size_t>(Start) + static_cast<size_t>(Length), pos, len);
    } else {
        const long from = editorsearch::BackwardFrom(p, Buffer, static_cast<size_t>(Start));
        found = from < 0 ? editorsearch::TFound::None : editorsearch::FindBackward(p, piece, from, pos, len);
    }
    if (found != editorsearch::TFound::Match) return false;
    Start = static_cast<int>(pos);
    Length = static_cast<int>(len);
    return true;
}
