#include "XWriteBiff.h"

#include "CP932Text.h"
#include "FileSystem.h"

namespace {

// "ＭＳ Ｐゴシック": the font of every FONT record.
constexpr const char* kFontName = "ＭＳ Ｐゴシック";

}  // namespace

TWriteBiff::TWriteBiff(std::string AFileName, int RowCount, int ColCount) : FileName(std::move(AFileName)) {
    if (RowCount > MaxRows)
        throw EWriteBiff("XLS形式で保存できるのは " + std::to_string(MaxRows) + " 行までです（結果は " +
                         std::to_string(RowCount) + " 行あります）。ファイルは作成されませんでした");
    Stream.reserve(static_cast<size_t>(RowCount) * 128 + 128);
    WriteBOF();
    WriteDimensions(RowCount, ColCount);
    WriteFonts();
}

void TWriteBiff::Word(int V) {
    Stream.push_back(static_cast<char>(V & 0xFF));
    Stream.push_back(static_cast<char>((V >> 8) & 0xFF));
}

void TWriteBiff::Record(int Id, int Length) {
    Word(Id);
    Word(Length);
}

void TWriteBiff::WriteBOF() {
    Record(0x0009, 4);
    Word(0x0002);  // BIFF2
    Word(0x0010);  // a worksheet
}

void TWriteBiff::WriteDimensions(int RowCount, int ColCount) {
    Record(0x0000, 8);
    Word(0);
    Word(RowCount + 2);
    Word(0);
    Word(ColCount + 2);
}

void TWriteBiff::WriteFonts() {
    const std::string_view name(kFontName);
    for (int flags : {0x0000, 0x0001, 0x0002, 0x0004}) {  // plain, bold, italic, underline
        Record(0x0031, static_cast<int>(5 + name.size()));
        Word(220);  // 11 points in twentieths
        Word(flags);
        Stream.push_back(static_cast<char>(name.size()));
        Stream.append(name);
    }
}

void TWriteBiff::WriteRow(int Row, const TStringList& Values) {
    if (Values.Count() > MaxCols)
        throw EWriteBiff("XLS形式で保存できるのは " + std::to_string(MaxCols) + " 列までです（" +
                         std::to_string(Row + 1) + " 行目に " + std::to_string(Values.Count()) +
                         " 列あります）。ファイルは作成されませんでした");
    for (int i = 0; i < Values.Count(); ++i) WriteLabel(Row, i, 0, Values[i]);
}

void TWriteBiff::WriteLabel(int Row, int Col, int Attr, std::string_view Text) {
    if (FEOFWritten) throw EWriteBiff("内部エラー：保存済みのXLSファイルにセルを書き込もうとしました");
    if (Row < 0 || Row >= MaxRows || Col < 0 || Col >= MaxCols)
        throw EWriteBiff("XLS形式のセル位置が範囲外です（行 " + std::to_string(Row + 1) + "、列 " +
                         std::to_string(Col + 1) + "）。ファイルは作成されませんでした");
    const std::string_view text = cp932::CutAtCharBoundary(Text, MaxTextBytes);
    const int length = static_cast<int>(8 + text.size());
    const char head[12] = {
        0x04, 0x00,                                                               // LABEL
        static_cast<char>(length & 0xFF), static_cast<char>(length >> 8),
        static_cast<char>(Row & 0xFF),    static_cast<char>(Row >> 8),
        static_cast<char>(Col & 0xFF),    static_cast<char>(Col >> 8),
        static_cast<char>(Attr & 0xFF),   static_cast<char>((Attr >> 8) & 0xFF),  // cell attributes
        static_cast<char>((Attr >> 16) & 0xFF),
        static_cast<char>(text.size()),
    };
    Stream.append(head, sizeof head);
    Stream.append(text);
}

void TWriteBiff::WriteEOF() { Record(0x000A, 0); }

void TWriteBiff::SaveToFile() {
    if (!FEOFWritten) {
        WriteEOF();
        FEOFWritten = true;
    }
    if (!fs932::WriteFileAtomic(FileName, Stream))
        throw EFCreateError("ファイル " + FileName + " を作成できません");
}
