// A boxed 32-bit integer and an owning list of them (column widths and
// positions of the result pages).
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

class TInteger {
public:
    explicit TInteger(int32_t AValue = 0) : Value(AValue) {}
    int32_t Value;
};

class TIntegerList {
public:
    // Boxes the value and appends it; returns its index.
    int Add(int32_t Value);
    // The value at Index; raises EListError out of range.
    int32_t Items(int Index) const;
    // Changes the boxed value in place; raises EListError out of range.
    void SetItems(int Index, int32_t Value);
    int Count() const { return static_cast<int>(FItems.size()); }
    void Clear();

private:
    TInteger& At(int Index) const;
    std::vector<std::unique_ptr<TInteger>> FItems;
};
