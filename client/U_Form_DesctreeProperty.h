// One property page of the object tree: a read-only editor docked as a tab
// below the tree. It shows a text, or the result of a query as column-aligned
// text (a single row as one "name : value" line per field).
#pragma once
#include <string>

#include <QWidget>

#include "DataSet.h"
#include "KZNEditor.h"
#include "StringList.h"

class TFrameSQLClient;
class TReadableEnvData;

class TForm_DesctreeProperty : public QWidget {
public:
    explicit TForm_DesctreeProperty(QWidget* Owner = nullptr);

    // The page's name, also its tab caption (CP932).
    std::string Caption;

    // Empties the editor and shows Text.
    void ShowText(const std::string& Text);
    // Runs SQL through the window's OnExecuteSQL and shows its result; an
    // error shows "■" and its message, then the SQL.
    void ShowSQL(TFrameSQLClient* Frame, const std::string& SQL);
    // The result of an open dataset as text (see the module comment).
    static void WriteDataSet(const TReadableEnvData& EnvData, TDataSet* DataSet, TStringList& Lines);

    TKZNEditor* Editor_DescTreeParams;
};
