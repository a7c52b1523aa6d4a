// The connection-string dialog: the ODBC drivers and data sources installed
// in the driver manager to choose from, the keys and values of the string to
// edit, and a trial connection. It returns the edited string, or the string it
// was given when cancelled.
#pragma once
#include <string>

#include <QDialog>

#include "I_ConnectionStore.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

class TDialog_ConnectString : public QDialog {
public:
    explicit TDialog_ConnectString(QWidget* parent = nullptr);

    // Shows the dialog modally on the string: the edited string on OK, the given one otherwise.
    std::string Edit(const std::string& ConnectionString);

    // The grid's keys and values from a string, and the string from the grid
    // (each key=value followed by ";").
    void SetConnectionString(const std::string& S);
    std::string GetConnectionString() const;
    // Sets a key's value (the row of that key, ignoring case, or a new row).
    void SetValue(const std::string& Key, const std::string& Value);
    void RemoveKey(const std::string& Key);
    // An ODBC driver: DRIVER={name}, in place of a data source.
    void ChooseDriver(const std::string& Name);
    // A data source: Data Source=name, in place of a driver.
    void ChooseDataSource(const std::string& Name);
    // Connects once with the string and tells the user how it went.
    void TestConnection();

    // The prompt the connections window asks: one dialog per question.
    static IDataLinkPrompt& Prompt();

    QComboBox* Combo_Driver;
    QComboBox* Combo_DataSource;
    QTableWidget* Grid_Values;
    QLineEdit* Edit_ConnectString;
    QPushButton* Button_AddRow;
    QPushButton* Button_DeleteRow;
    QPushButton* Button_Test;
    QPushButton* Button_OK;
    QPushButton* Button_Cancel;

private:
    int FindRow(const std::string& Key) const;
    void GridChanged();
    bool FFilling = false;
};
