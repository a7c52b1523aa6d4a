#include "U_DataSetGridModel.h"

#include "CP932Qt.h"
#include "Exception.h"

namespace {

std::string ValueText(const TField& Field, const TVariant& V) {
    if (V.IsDateTime()) return dbtext::DateTimeToStr(V.AsDateTime(), Field.DataType());
    if (V.IsFloat()) return dbtext::FloatToStr(V.AsFloat());
    return V.AsString();
}

// Large binary values are not shown as text.
bool ShownAsBlob(const TField& Field) { return Field.IsBlob() && !TField::IsStringType(Field.DataType()); }

}  // namespace

TDataSetGridModel::TDataSetGridModel(TDataSet* DataSet, QObject* Parent)
    : QAbstractTableModel(Parent), FDataSet(DataSet) {
    Reload();
}

void TDataSetGridModel::Reload() {
    beginResetModel();
    FRows = FCols = 0;
    if (FDataSet && FDataSet->Active()) {
        FCols = FDataSet->FieldCount();
        FRows = std::max(0, FDataSet->RecordCount()) + (FDataSet->State() == dsInsert ? 1 : 0);
    }
    FRecNoRow = CurrentRow();
    endResetModel();
}

int TDataSetGridModel::rowCount(const QModelIndex& Parent) const { return Parent.isValid() ? 0 : FRows; }
int TDataSetGridModel::columnCount(const QModelIndex& Parent) const { return Parent.isValid() ? 0 : FCols; }

int TDataSetGridModel::InsertRow() const {
    if (!FDataSet || FDataSet->State() != dsInsert) return -1;
    return std::clamp(FDataSet->RecNo() - 1, 0, std::max(0, FRows - 1));
}

int TDataSetGridModel::CurrentRow() const {
    if (!FDataSet || !FDataSet->Active()) return -1;
    if (FDataSet->State() == dsInsert) return InsertRow();
    if (FDataSet->IsEmpty()) return -1;
    return FDataSet->RecNo() - 1;
}

bool TDataSetGridModel::CellText(int Row, int Col, std::string& Text) const {
    Text.clear();
    if (!FDataSet || !FDataSet->Active() || Row < 0 || Row >= FRows || Col < 0 || Col >= FDataSet->FieldCount())
        return false;
    const TField& field = FDataSet->Fields(Col);
    const TDataSetState state = FDataSet->State();
    int stored = Row;
    if (state == dsInsert) {
        const int ins = InsertRow();
        if (Row > ins) stored = Row - 1;
        else if (Row == ins) stored = -1;
    } else if (state == dsEdit && Row == FDataSet->RecNo() - 1) {
        stored = -1;
    }
    TVariant v;
    if (stored < 0) {
        // the record in editing: its edit values
        if (!FDataSet->ReadFieldValue(field, v)) return false;
    } else if (FDataSet->CanReadRows()) {
        if (!FDataSet->ReadRowValue(stored, field, v)) return false;
    } else {
        // a dataset read only through its cursor: step there and back while browsing
        if (state != dsBrowse) return false;
        const int here = FDataSet->RecNo();
        FDataSet->SetRecNo(stored + 1);
        const bool present = FDataSet->ReadFieldValue(field, v);
        FDataSet->SetRecNo(here);
        if (!present) return false;
    }
    Text = ShownAsBlob(field) ? std::string("(BLOB)") : ValueText(field, v);
    return true;
}

QVariant TDataSetGridModel::data(const QModelIndex& Index, int Role) const {
    if (!Index.isValid()) return QVariant();
    if (Role == Qt::DisplayRole || Role == Qt::EditRole) {
        std::string text;
        try {
            if (!CellText(Index.row(), Index.column(), text)) return Role == Qt::EditRole ? QVariant(QString()) : QVariant();
        } catch (const std::exception&) {
            return QVariant();   // a record that cannot be read shows nothing
        }
        return cp932::ToQString(text);
    }
    if (Role == Qt::TextAlignmentRole && FDataSet && FDataSet->Active() && Index.column() < FDataSet->FieldCount()) {
        switch (FDataSet->Fields(Index.column()).Alignment()) {
        case taRightJustify: return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        case taCenter: return QVariant(Qt::AlignCenter);
        default: return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
    return QVariant();
}

QVariant TDataSetGridModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
    if (Role != Qt::DisplayRole || !FDataSet || !FDataSet->Active()) return QVariant();
    if (Orientation == Qt::Horizontal) {
        if (Section < 0 || Section >= FDataSet->FieldCount()) return QVariant();
        return cp932::ToQString(FDataSet->Fields(Section).FieldName());
    }
    if (Section != CurrentRow()) return QString();
    switch (FDataSet->State()) {
    case dsEdit: return QStringLiteral("I");
    case dsInsert: return QStringLiteral("*");
    default: return QString::fromUtf16(u"▶");
    }
}

Qt::ItemFlags TDataSetGridModel::flags(const QModelIndex& Index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(Index);
    if (!Index.isValid() || ReadOnly || !FDataSet || !FDataSet->Active()) return f;
    if (Index.column() >= FDataSet->FieldCount()) return f;
    return f | Qt::ItemIsEditable;
}

std::string TDataSetGridModel::EditRefusal(int Col) const {
    if (!FDataSet || !FDataSet->Active() || Col < 0 || Col >= FDataSet->FieldCount()) return std::string();
    if (!FDataSet->CanModify()) return FDataSet->ReadOnlyMessage();
    const TField& field = FDataSet->Fields(Col);
    std::string refused = FDataSet->FieldReadOnlyMessage(field);
    if (refused.empty() && ShownAsBlob(field))
        refused = "フィールド '" + field.FieldName() + "' はバイナリ値のため、グリッドでは変更できません";
    return refused;
}

bool TDataSetGridModel::setData(const QModelIndex& Index, const QVariant& Value, int Role) {
    if (Role != Qt::EditRole || !Index.isValid() || ReadOnly || !FDataSet || !FDataSet->Active()) return false;
    const std::string text = cp932::FromQString(Value.toString());
    {
        // an unchanged cell does not start an edit
        std::string old;
        const bool present = CellText(Index.row(), Index.column(), old);
        if (present && old == text) return false;
        if (!present && text.empty()) return false;
    }
    try {
        if (Index.row() != CurrentRow()) return false;   // the view moves the record first
        const TDataSetState before = FDataSet->State();
        if (before == dsBrowse) FDataSet->Edit();
        FDataSet->Fields(Index.column()).SetAsString(text);
        if (before != FDataSet->State() && FDataSet->State() == dsInsert) Reload();
        else CurrentRowChanged();
    } catch (const EAbort&) {
        CurrentRowChanged();
        return false;
    } catch (const std::exception& e) {
        CurrentRowChanged();
        if (OnEditError) OnEditError(e);
        return false;
    }
    if (OnEdited) OnEdited();
    return true;
}

void TDataSetGridModel::CurrentRowChanged() {
    const int row = CurrentRow();
    for (int r : {FRecNoRow, row}) {
        if (r < 0 || r >= FRows) continue;
        emit dataChanged(index(r, 0), index(r, std::max(0, FCols - 1)));
        emit headerDataChanged(Qt::Vertical, r, r);
    }
    FRecNoRow = row;
}
