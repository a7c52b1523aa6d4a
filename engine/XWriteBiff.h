// TWriteBiff: writes an Excel worksheet in BIFF2 form. The whole file is
// built in memory (BOF, DIMENSIONS, four FONT records, then one LABEL record
// per cell) and written in one piece by SaveToFile, which adds EOF and
// replaces the file atomically. Nothing is written before that, so an error
// while the rows are built leaves any old file as it was.
#pragma once
#include <string>
#include <string_view>

#include "Exception.h"
#include "StringList.h"

Z_DECLARE_EXCEPTION(EWriteBiff, Exception);

class TWriteBiff {
public:
    // What a BIFF2 worksheet can address.
    static constexpr int MaxRows = 16384;
    static constexpr int MaxCols = 256;
    static constexpr size_t MaxTextBytes = 255;

    // Starts the file with BOF, DIMENSIONS (RowCount + 2, ColCount + 2) and
    // the fonts. More rows than a worksheet holds raise EWriteBiff.
    TWriteBiff(std::string FileName, int RowCount, int ColCount);

    // One text cell per value, in columns 0, 1, ...; more values than a
    // worksheet has columns raise EWriteBiff and add nothing.
    void WriteRow(int Row, const TStringList& Values);
    // A LABEL record; Attr gives the three cell attribute bytes (low byte
    // first). A text longer than 255 bytes is cut there, before a double-byte
    // character that would not fit whole.
    void WriteLabel(int Row, int Col, int Attr, std::string_view Text);
    // Adds EOF and replaces the file with the bytes built; raises
    // EFCreateError when the file cannot be written (an old file stays whole).
    void SaveToFile();

    // The bytes built so far (the whole file after SaveToFile).
    const std::string& Bytes() const { return Stream; }

    std::string FileName;

private:
    void WriteBOF();
    void WriteDimensions(int RowCount, int ColCount);
    void WriteFonts();
    void WriteEOF();
    void Word(int V);
    void Record(int Id, int Length);

    std::string Stream;
    bool FEOFWritten = false;
};
