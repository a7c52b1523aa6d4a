// The dataset abstraction: a dataset is a cursor over records with typed
// fields, opened and closed, walked forwards and backwards, and (when the
// descendant allows it) edited, appended to and deleted from, with the edit
// states of the toolkit (browse, edit, insert) and its post-error event.
//
// A descendant supplies the cursor (InternalOpen/InternalClose, InternalFirst,
// InternalLast, GetRecord) and the values of the current record
// (GetFieldValue); the base keeps the state, the Eof/Bof flags and the field
// objects. Every text is CP932.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Alignment.h"
#include "Exception.h"

// A database error: its message and the help context the toolkit carries with it.
class EDatabaseError : public Exception {
public:
    explicit EDatabaseError(std::string msg, int helpContext = 0)
        : Exception(std::move(msg)), HelpContext(helpContext) {}
    const char* ClassName() const noexcept override { return "EDatabaseError"; }
    int HelpContext = 0;
};

// The toolkit's field types, in the toolkit's order.
enum TFieldType {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD,
    ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic,
    ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString,
    ftLargeint, ftADT, ftArray, ftReference, ftDataSet, ftOraBlob, ftOraClob, ftVariant,
    ftInterface, ftIDispatch, ftGuid, ftTimeStamp, ftFMTBcd, ftFixedWideChar, ftWideMemo
};
// The toolkit's name of a field type without the "ft" prefix ("Integer", "LargeInt", ...).
const char* FieldTypeName(TFieldType t);

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };
enum TDataAction { daFail, daAbort, daRetry };
enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

// A date, a time or both; Fraction is in nanoseconds.
struct TSQLTimeStamp {
    int16_t Year = 0;
    uint16_t Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
    uint32_t Fraction = 0;
    bool operator==(const TSQLTimeStamp& o) const {
        return Year == o.Year && Month == o.Month && Day == o.Day && Hour == o.Hour &&
               Minute == o.Minute && Second == o.Second && Fraction == o.Fraction;
    }
};

// Raw bytes of a binary value, told apart from text.
struct TBytes {
    std::string Data;
    bool operator==(const TBytes& o) const { return Data == o.Data; }
};

// A field value: null, Boolean, integer, floating point, text (CP932),
// bytes or a date-time.
class TVariant {
public:
    TVariant() = default;
    TVariant(bool v) : V(v) {}
    TVariant(int v) : V(static_cast<int64_t>(v)) {}
    TVariant(int64_t v) : V(v) {}
    TVariant(double v) : V(v) {}
    TVariant(const char* v) : V(std::string(v)) {}
    TVariant(std::string v) : V(std::move(v)) {}
    TVariant(TBytes v) : V(std::move(v)) {}
    TVariant(TSQLTimeStamp v) : V(v) {}

    bool IsNull() const { return V.index() == 0; }
    bool IsBoolean() const { return V.index() == 1; }
    bool IsInteger() const { return V.index() == 2; }
    bool IsFloat() const { return V.index() == 3; }
    bool IsString() const { return V.index() == 4; }
    bool IsBytes() const { return V.index() == 5; }
    bool IsDateTime() const { return V.index() == 6; }

    bool AsBoolean() const;                   // raises EConvertError where no conversion exists
    int64_t AsInteger() const;
    double AsFloat() const;
    const TSQLTimeStamp& AsDateTime() const;  // raises EConvertError unless IsDateTime
    // The text of the value: numbers in decimal, True/False, bytes unchanged,
    // a date-time as yyyy/mm/dd hh:nn:ss; null is empty.
    std::string AsString() const;

    bool operator==(const TVariant& o) const { return V == o.V; }
    bool operator!=(const TVariant& o) const { return !(V == o.V); }

    std::variant<std::monostate, bool, int64_t, double, std::string, TBytes, TSQLTimeStamp> V;
};

class TDataSet;

// A read-only stream over the bytes of one large-object value.
class TDataBlobStream {
public:
    TDataBlobStream() = default;
    explicit TDataBlobStream(std::string data) : DataString(std::move(data)) {}
    virtual ~TDataBlobStream() = default;
    int64_t Size() const { return static_cast<int64_t>(DataString.size()); }
    // Copies up to count bytes from Position on, and advances Position.
    int64_t Read(void* buffer, int64_t count);
    std::string DataString;
    int64_t Position = 0;
};

// One field definition of a dataset: what a field is made from when the dataset opens.
struct TFieldDef {
    std::string Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;         // characters of a string, bytes of a fixed binary value
    int Precision = 0;    // digits of a numeric value
    int Scale = 0;        // decimals of a numeric value
    bool Required = false;
    int FieldNo = 0;      // 1-based position; set by Add
    int Index() const { return FieldNo - 1; }
};

class TFieldDefs {
public:
    TFieldDef& Add(std::string name, TFieldType type, int size = 0, bool required = false);
    int Count() const { return static_cast<int>(Items.size()); }
    TFieldDef& operator[](int i);
    const TFieldDef& operator[](int i) const;
    int IndexOf(std::string_view name) const;   // case-insensitive; -1 when absent
    void Clear() { Items.clear(); }
    std::vector<TFieldDef> Items;
};

// A field of an open dataset: the value of one column in the current record.
class TField {
public:
    TField(TDataSet* dataSet, const TFieldDef& def, int index);

    TDataSet* DataSet() const { return FDataSet; }
    const std::string& FieldName() const { return FFieldName; }
    TFieldType DataType() const { return FDataType; }
    int Size() const { return FSize; }
    int FieldNo() const { return FFieldNo; }   // 1-based; below 1 for a field that holds no data
    int Index() const { return FIndex; }       // 0-based position among the fields
    bool Required() const { return FRequired; }

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment a) { FAlignment = a; }
    int DisplayWidth() const { return FDisplayWidth; }
    void SetDisplayWidth(int w) { FDisplayWidth = w; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v) { FReadOnly = v; }

    // A large object (blob, memo, graphic, ...).
    bool IsBlob() const { return IsBlobType(FDataType); }
    // Fixed or variable length bytes.
    bool IsBinary() const { return FDataType == ftBytes || FDataType == ftVarBytes; }

    bool IsNull() const;
    TVariant Value() const;
    std::string AsString() const;
    int64_t AsInteger() const;
    double AsFloat() const;
    bool AsBoolean() const;

    // Writing: only while the dataset is being edited or inserted.
    void SetValue(const TVariant& v);
    void SetAsString(std::string_view s);   // converted to the field's type; raises EConvertError
    void SetAsInteger(int64_t v) { SetValue(TVariant(v)); }
    void SetAsFloat(double v) { SetValue(TVariant(v)); }
    void SetAsBoolean(bool v) { SetValue(TVariant(v)); }
    void Clear() { SetValue(TVariant()); }

    static bool IsBlobType(TFieldType t);
    static bool IsNumericType(TFieldType t);
    static bool IsStringType(TFieldType t);

private:
    TDataSet* FDataSet;
    std::string FFieldName;
    TFieldType FDataType;
    int FSize, FFieldNo, FIndex;
    bool FRequired;
    TAlignment FAlignment;
    int FDisplayWidth;
    bool FReadOnly = false;
};

class TDataSet {
public:
    TDataSet();
    virtual ~TDataSet();
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    // Open and close.
    bool Active() const { return FState != dsInactive; }
    void SetActive(bool value);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return FState; }

    // Navigation. First on an empty dataset leaves it at Eof and Bof at once.
    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const { return FEof; }
    bool Bof() const { return FBof; }
    bool IsEmpty() const;
    virtual bool IsUniDirectional() const { return false; }
    int RecordCount();
    // 1-based number of the current record; -1 where the dataset cannot tell.
    int RecNo();
    void SetRecNo(int value);
    std::string GetBookmark();
    void GotoBookmark(const std::string& bookmark);
    void Refresh();

    // Editing. Edit on an empty dataset inserts; moving while editing posts
    // a modified record and cancels an unmodified one.
    virtual bool CanModify() const { return true; }
    // Why records cannot be changed, in words, when CanModify is false: the
    // refusal's first line, then the reason the dataset knows (empty when it
    // can be changed). Edit, Insert, Append and Delete raise it.
    std::string ReadOnlyMessage() const;
    // Why the field cannot be written (empty when it can).
    virtual std::string FieldReadOnlyMessage(const TField& Field) const;
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    bool Modified() const { return FModified; }
    // Adds a whole record at once (values in field order) after the last record.
    void AppendRecord(const std::vector<TVariant>& values);
    // Moves to the record whose field has the value; the descendant decides what it supports.
    virtual bool Locate(const std::string& keyFields, const TVariant& keyValue);
    virtual TVariant Lookup(const std::string& keyFields, const TVariant& keyValue,
                            const std::string& resultFields);

    // Fields of the open dataset, in field-definition order.
    int FieldCount() const { return static_cast<int>(FFields.size()); }
    TField& Fields(int i);
    const TField& Fields(int i) const;
    TField* FindField(std::string_view name);   // case-insensitive; null when absent
    TField& FieldByName(std::string_view name); // raises EDatabaseError when absent
    TFieldDefs& FieldDefs() { return FFieldDefs; }
    const TFieldDefs& FieldDefs() const { return FFieldDefs; }

    // Records by number, read without moving the cursor or leaving the edit
    // state (for views that show many records at once): Row is 0-based among
    // the RecordCount stored records. False for a null value. A dataset that
    // cannot (CanReadRows false) raises EDatabaseError.
    virtual bool CanReadRows() const { return false; }
    virtual bool ReadRowValue(int Row, const TField& Field, TVariant& Value);

    // A read stream over a large-object field of the current record.
    virtual std::unique_ptr<TDataBlobStream> CreateBlobStream(TField& field, TBlobStreamMode mode);

    // Events. A post-error or delete-error handler may turn daFail (raise the
    // error) into daAbort (abandon silently: EAbort is raised) or daRetry.
    // AfterPost and AfterDelete follow a post or a delete that succeeded.
    std::function<void(TDataSet&)> BeforePost;
    std::function<void(TDataSet&)> AfterPost;
    std::function<void(TDataSet&)> AfterDelete;
    std::function<void(TDataSet&, EDatabaseError&, TDataAction&)> OnPostError;
    std::function<void(TDataSet&, EDatabaseError&, TDataAction&)> OnDeleteError;

    // Field access, called by TField.
    bool ReadFieldValue(const TField& field, TVariant& value);
    void WriteFieldValue(TField& field, const TVariant& value);
    // The field's text; the default converts the value (see TField::AsString).
    virtual bool GetFieldText(const TField& field, std::string& text);
    // Whether the field of the active record is null; the default reads the value.
    virtual bool IsFieldNull(const TField& field);

protected:
    // The cursor. InternalOpen builds FieldDefs (and may call CreateFields);
    // fields are created from FieldDefs after it when it did not.
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual bool IsCursorOpen() const = 0;
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    // Reads the record relative to the cursor into the active record.
    virtual TGetResult GetRecord(TGetMode mode) = 0;
    virtual void InternalHandleException() {}
    virtual int GetRecordCount() { return -1; }
    virtual int GetRecNo() { return -1; }
    virtual void InternalSetRecNo(int /*value*/) {}
    virtual void GetBookmarkData(std::string& /*bookmark*/) {}
    virtual void InternalGotoBookmark(const std::string& bookmark);
    virtual void InternalRefresh();

    // The value of a field in the active record (the edit values while editing);
    // false when there is no data (null).
    virtual bool GetFieldValue(const TField& field, TVariant& value) = 0;
    virtual void SetFieldValue(TField& field, const TVariant& value);

    virtual void InternalEdit() {}
    virtual void InternalInsert(bool append);
    virtual void InternalPost();
    virtual void InternalCancel() {}
    virtual void InternalDelete();
    virtual void InternalAddRecord(const std::vector<TVariant>& values, bool append);

    // For descendants over numbered rows 0..count-1, with a cursor that is -1
    // before the first row and count after the last: moves it as GetRecord asks.
    static TGetResult MoveRowCursor(int64_t& cursor, int64_t count, TGetMode mode);
    // A bookmark that holds a row number, and its row; a row outside
    // 0..count-1 raises "ブックマークが範囲外です。[row]".
    static std::string RowBookmark(int64_t row);
    static int64_t CheckedBookmarkRow(const std::string& bookmark, int64_t count);

    // Creates the fields from FieldDefs (the toolkit's default fields).
    void CreateFields();
    void DestroyFields() { FFields.clear(); }
    // Re-reads the active record at the cursor (current, else next, else prior).
    void Resync();
    void CheckActive() const;
    void CheckBrowseMode();
    // The reason behind ReadOnlyMessage's first line (empty: none to give).
    virtual std::string ReadOnlyReason() const { return std::string(); }
    // Raises ReadOnlyMessage unless the dataset can be modified.
    void CheckCanModify() const;
    void SetModified(bool v) { FModified = v; }

private:
    void OpenCursor();
    void CloseCursor();
    void CheckOperation(void (TDataSet::*op)(),
                        const std::function<void(TDataSet&, EDatabaseError&, TDataAction&)>& handler);

    TDataSetState FState = dsInactive;
    bool FEof = true, FBof = true;
    bool FModified = false;
    bool FHasRecord = false;   // the active record holds a record of the cursor
    TFieldDefs FFieldDefs;
    std::vector<std::unique_ptr<TField>> FFields;
};

// The text forms the datasets use for their values (also for tests).
namespace dbtext {
std::string FloatToStr(double v);                    // 15 significant digits, the toolkit's form
std::string DateTimeToStr(const TSQLTimeStamp& t, TFieldType type);
bool TryStrToDateTime(std::string_view s, TSQLTimeStamp& t);
}  // namespace dbtext
