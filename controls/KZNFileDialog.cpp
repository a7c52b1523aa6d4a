#include "KZNFileDialog.h"

#include <QDateTime>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QFileInfo>
#include <QLocale>
#include <QStyle>
#include <QTreeView>

namespace filedialog {

namespace {

// The standard icons, with the type texts in Japanese.
class TJapaneseIconProvider : public QFileIconProvider {
public:
    QString type(const QFileInfo& Info) const override {
        if (Info.isDir()) return QString::fromUtf16(u"フォルダ");
        if (Info.isSymLink() && !Info.exists()) return QString::fromUtf16(u"リンク");
        const QString suffix = Info.suffix();
        return suffix.isEmpty() ? QString::fromUtf16(u"ファイル") : suffix.toUpper() + QString::fromUtf16(u" ファイル");
    }
};

// The modification dates as "2024/05/01 09:30", whatever the system's locale.
class TJapaneseDates : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& Index, int Role) const override {
        if (Role == Qt::DisplayRole && Index.column() == kDateColumn)
            if (auto* files = qobject_cast<QFileSystemModel*>(sourceModel())) {
                const QDateTime at = files->lastModified(mapToSource(Index));
                if (at.isValid()) return at.toString(QStringLiteral("yyyy/MM/dd HH:mm"));
            }
        return QIdentityProxyModel::data(Index, Role);
    }

private:
    static constexpr int kDateColumn = 3;  // name, size, type, date
};

}  // namespace

void MakeJapanese(QFileDialog& Dialog) {
    static TJapaneseIconProvider provider;  // dialogs do not own their provider
    Dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    Dialog.setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    Dialog.setIconProvider(&provider);
    Dialog.setProxyModel(new TJapaneseDates(&Dialog));
    // the date column as wide as a date and a time
    if (auto* details = Dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = details->header();
        const int need = details->fontMetrics().horizontalAdvance(QStringLiteral("0000/00/00 00:00")) +
                         2 * details->style()->pixelMetric(QStyle::PM_HeaderMargin) + 8;
        if (header->count() > 3 && header->sectionSize(3) < need) header->resizeSection(3, need);
    }
}

}  // namespace filedialog
