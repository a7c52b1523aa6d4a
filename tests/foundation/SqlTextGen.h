// Random SQL texts for the scanner and splitter tests.
#pragma once
#include <random>
#include <string>

// Random SQL whose comments hold no quote and whose block comments hold no
// "--": texts on which the one pass must give exactly what the three passes
// gave, errors included.
class SqlGen {
public:
    explicit SqlGen(unsigned seed) : rng(seed) {}
    std::string Text() {
        std::string s;
        const int n = Pick(12) + 1;
        for (int i = 0; i < n; ++i) Token(s);
        if (Pick(3) == 0 && s.size() >= 2 && s.compare(s.size() - 2, 2, "\r\n") == 0) s.resize(s.size() - 2);
        switch (Pick(6)) {
            case 0: s.resize(static_cast<size_t>(Pick(static_cast<int>(s.size()) + 1))); break;  // cut anywhere
            case 1: s.insert(static_cast<size_t>(Pick(static_cast<int>(s.size()) + 1)), " */ "); break;
            default: break;
        }
        return s;
    }

private:
    int Pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
    void Token(std::string& s) {
        static const char* code[] = {"SELECT", " ", "a", ";", "\r\n", " - ", " / ", " * ", "\\", "\x95\x5C", "1", ",", "\x06"};
        switch (Pick(5)) {
            case 0: case 1: s += code[Pick(13)]; break;
            case 2: Literal(s); break;
            case 3: s += "--"; Fill(s, false); s += "\r\n"; break;  // nothing after it on its line
            default: Block(s, 0); break;
        }
    }
    void Literal(std::string& s) {
        const char q = Pick(3) ? '\'' : '"';
        const char other = q == '\'' ? '"' : '\'';
        s += q;
        const int n = Pick(6);
        for (int i = 0; i < n; ++i) {
            switch (Pick(9)) {
                case 0: s += "--"; break;
                case 1: s += "/*"; break;
                case 2: s += "*/"; break;
                case 3: s += other; break;
                case 4: s += "a\\"; s += q; break;       // escaped quote
                case 5: s += "\x83\x5C" "a"; break;       // ソ, not at the end
                case 6: s += "\r\n;"; break;
                default: s += "x "; break;
            }
        }
        if (Pick(4) == 0) s += "\x83\x5C";  // ソ right before the closing quote
        s += q;
        if (Pick(5) == 0) s += q, s += q;     // a doubled quote: two literals
    }
    void Fill(std::string& s, bool block) {
        const int n = Pick(5);
        for (int i = 0; i < n; ++i) {
            static const char* body[] = {"x", " ", ";", "\x95\x5C", "- ", "/ ", " *"};
            static const char* line[] = {"x", " ", ";", "\x95\x5C", "-", "/*", "*/"};
            s += block ? body[Pick(7)] : line[Pick(7)];
            if (block && Pick(5) == 0) s += "\r\n";
        }
    }
    void Block(std::string& s, int depth) {
        s += Pick(6) == 0 ? "/*/*" : "/*";  // "/*/*" opens one comment
        Fill(s, true);
        if (depth < 2 && Pick(3) == 0) Block(s, depth + 1);
        Fill(s, true);
        s += "*/";
    }
    std::mt19937 rng;
};
