// The program's file dialogs show their type and date columns in Japanese,
// and the date whole.
#include <gtest/gtest.h>

#include <QAbstractProxyModel>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QTreeView>

#include "CP932Qt.h"
#include "FileSystem.h"
#include "KZNFileDialog.h"
#include "QtTestApp.h"
#include "TestUtil.h"

TEST(FileDialog, TypesAndDatesInJapanese) {
    testutil::App();
    const std::string dir = testutil::TempFolder("filedialog");
    ASSERT_FALSE(dir.empty());
    const QString folder = QString::fromStdString(fs932::ToNative(dir));
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("sub")));
    for (const char* name : {"a.sql", "README"}) {
        QFile f(folder + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QDateTime stamp(QDate(2024, 5, 1), QTime(9, 30));
    {
        QFile f(folder + QStringLiteral("a.sql"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    QFileDialog dialog;
    filedialog::MakeJapanese(dialog);
    dialog.setDirectory(folder);
    auto* proxy = qobject_cast<QAbstractProxyModel*>(dialog.proxyModel());
    ASSERT_NE(proxy, nullptr);
    auto* files = qobject_cast<QFileSystemModel*>(proxy->sourceModel());
    ASSERT_NE(files, nullptr);
    // the folder is read in the background: wait for its three entries
    const QModelIndex root = files->index(folder);
    ASSERT_TRUE(testutil::WaitFor([&] { return files->rowCount(root) >= 3; }));
    ASSERT_EQ(files->rowCount(root), 3);
    auto cell = [&](const char* Name, int Column) {
        const QModelIndex at = proxy->mapFromSource(files->index(folder + QLatin1String(Name)).siblingAtColumn(Column));
        return cp932::FromQString(proxy->data(at, Qt::DisplayRole).toString());
    };
    EXPECT_EQ(cell("sub", 2), "フォルダ");
    EXPECT_EQ(cell("a.sql", 2), "SQL ファイル");
    EXPECT_EQ(cell("README", 2), "ファイル");
    EXPECT_EQ(cell("a.sql", 3), "2024/05/01 09:30");
    // the date column holds a whole date and time
    auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(details, nullptr);
    EXPECT_GE(details->header()->sectionSize(3),
              details->fontMetrics().horizontalAdvance(QStringLiteral("2024/05/01 09:30")));
}
