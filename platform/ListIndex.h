// The toolkit's list index error, shared by the lists of the system.
#pragma once
#include <string>

#include "Exception.h"

[[noreturn]] inline void RaiseListIndexError(int index) {
    throw EListError("リストのインデックスが範囲を超えています (" + std::to_string(index) + ")");
}
