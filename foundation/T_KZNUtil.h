// Text and record operations used all over the system: number and Boolean
// text, splitting, the trailing line break, the CP932 characters whose trail
// byte is 0x5C, object-list freeing, point and rectangle copies, character
// counting and trimming, a tolerance test. Class operations only.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Geometry.h"

class TKZNUtil {
public:
    TKZNUtil() = delete;

    // The whole of S is a floating-point number ('.' as decimal separator,
    // optional sign and exponent, leading blanks allowed, nothing after it).
    static bool IsFloat(std::string_view S);
    // IsFloat, no '.', and a 32-bit signed integer.
    static bool IsInteger(std::string_view S);
    // "True" or "False" in exactly that case; anything else raises EConvertError.
    static bool StrToBool(std::string_view S);
    static std::string BoolToStr(bool B);

    // Parts holds as many entries as are wanted; they are all emptied and then
    // filled with the pieces of S (trimmed as a whole) up to each Delim; what
    // is left after the last entry goes to Rest.
    static void SplitByChar(std::string_view S, char Delim, std::vector<std::string>& Parts, std::string& Rest);
    // S split into words at blanks (a double-quoted word may hold blanks); the
    // words fill Parts, each word beyond them is appended to Rest after a blank.
    static void SplitBySpace(std::string_view S, std::vector<std::string>& Parts, std::string& Rest);

    // S without its last two bytes when they are CR LF.
    static std::string DeleteLastCRLF(std::string_view S);

    // Frees every object of the list, from the last to the first, and empties it.
    template <class T>
    static void ClearObjectList(std::vector<T*>& List) {
        while (!List.empty()) {
            delete List.back();
            List.pop_back();
        }
    }
    template <class T>
    static void ClearObjectList(std::vector<std::unique_ptr<T>>& List) {
        while (!List.empty()) List.pop_back();
    }

    // A backslash inserted after every character whose trail byte is 0x5C.
    static std::string Escape5CChars(std::string_view S);
    // S is exactly one of the characters whose trail byte is 0x5C.
    static bool Is5CChar(std::string_view S);

    static void CopyPoint(const TPoint& Src, TPoint& Dest);
    static void CopyRect(const TRect& Src, TRect& Dest);

    // The number of bytes at the start of S that equal C.
    static int CountLeadingChar(char C, std::string_view S);
    // Target - Tolerance <= Value <= Target + Tolerance.
    static bool IsNear(int32_t Target, int32_t Value, int32_t Tolerance);
    // S without the runs of C at its start and end; a text made only of C (or
    // an empty one) is returned unchanged.
    static std::string TrimChar(std::string_view S, char C);
};
