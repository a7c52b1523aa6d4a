// TXBiff: the event surface of a BIFF workbook reader (progress, each cell,
// each column width, each sheet name). The export module keeps one instance
// beside its save dialog; no reader raises the events yet.
#pragma once
#include <functional>
#include <string>

using TOnProgressEvent = std::function<void(void* Sender, int Progress)>;
using TOnReadCellEvent =
    std::function<void(void* Sender, int SheetNo, int Row, int Col, int rgbAttr, const std::string& Data, bool& Cancel)>;
using TOnReadColWEvent = std::function<void(void* Sender, int SheetNo, int Col, int Width)>;
using TOnReadSheetNameEvent = std::function<void(void* Sender, const std::string& SheetName)>;

class TXBiff {
public:
    TOnProgressEvent OnProgress;
    TOnReadCellEvent OnReadCell;
    TOnReadColWEvent OnReadColW;
    TOnReadSheetNameEvent OnReadSheetName;
};
