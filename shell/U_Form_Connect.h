// The saved ADO connections: the store (a tree saved in the tree text format
// to the program's base name + ".Connection" beside the program) and the
// dialog in which the user edits them. The driver opens a fresh, hidden
// instance whenever it reads the store, and shows one modally to let the user
// choose a connection.
//
// Per node: the caption is the connection's name; StringList the connection
// string as key=value lines; StringList01 the post-connect script (kept and
// saved; nothing runs it); StringList02 the chosen object trees as one line
// of quoted names joined by ","; Selected marks the current connection.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include <QDialog>

#include "Exception.h"
#include "I_ConnectionStore.h"

class QAction;
class QListWidget;
class QMenu;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QToolBar;
class TADODriver;
class TDriverInterfaceProp;
class TKZNEditor;
class TKZNPanelEx;
class TKZNTreeView;
class TTreeNodeEx;

Z_DECLARE_EXCEPTION(EForm_Connect, Exception);

class TForm_Connect : public QDialog, public IConnectionStore {
public:
    // Builds the form, clears the tree and the detail panes, and loads the
    // store's file when it exists. A damaged file does not stop anything: what
    // could be read is kept, the file itself is kept beside it with ".bad"
    // added, and the user is told once.
    TForm_Connect(QWidget* owner, TDriverInterfaceProp* driverProp);
    ~TForm_Connect() override;

    // The store's file: the program's folder, base name and ".Connection".
    static std::string DefaultFileName();
    const std::string& FileName() const { return FFileName; }

    // IConnectionStore
    int GetCount() override;
    void GetSelectedName(std::string& Name) override;
    void GetConnectString(const std::string& Name, std::string& S) override;
    void GetObjectTreeNames(const std::string& Name, std::string& S) override;
    void SelectNode(const std::string& Name) override;
    // Saves the store when its file can be written; a file that cannot be
    // written is skipped (see Save for the user's own save). Raises
    // EForm_Connect when writing fails. The save holds the file's lock
    // ("<name>.lock") while it reads the file again and writes it: a
    // connection this store changed, added or deleted since it read the file
    // is written as the store has it, every other one as the file holds it
    // by then (another copy of the program may have saved meanwhile), and so
    // is the current connection unless this store chose another.
    void SaveToFile() override;

    // The node whose caption, trimmed and upper-cased, equals Name trimmed and
    // upper-cased; the last such node in tree order; null when none.
    TTreeNodeEx* FindNode(const std::string& Name) const;
    void SelectNode(TTreeNodeEx* Node);
    TTreeNodeEx* Selected() const;
    // True when the store was written.
    bool TrySaveToFile();
    // The user's save: false, after telling the user, when the file could not be written.
    bool Save();
    // The name a new connection gets: "新規接続", then one more than the highest number present.
    std::string NewConnectionName() const;
    // Name with "[Duplicate]" appended for each other node that has it (trimmed, ignoring case).
    std::string UniqueName(const TTreeNodeEx* Node, std::string Name) const;

    // Chooses a file to import (title, start folder; the name chosen); false cancels.
    // The default is a file-open dialog.
    std::function<bool(const std::string& Title, const std::string& Folder, std::string& FileName)> OnChooseFile;

    // The form's members.
    TKZNTreeView* ConnectTree;
    QTableWidget* StringGrid1;
    QListWidget* ObjectTreeCheckListBox;
    TKZNEditor* KZNEditor1;  // the post-connect script
    QTabWidget* PageControl1;
    TKZNPanelEx* Panel_ConnectionInfo;
    TKZNPanelEx* Panel_ObjectTree;
    QMenu* ConnectTreePopupMenu;
    QToolBar* ToolBar1;
    QPushButton* Button_Connect;
    QPushButton* Button_Cancel;
    QPushButton* Button_Save;
    QAction* Action_Connect;
    QAction* Action_CreateRootNode;
    QAction* Action_GetMoreDetail;
    QAction* Action_PlaceUp;
    QAction* Action_PlaceDown;
    QAction* Action_UDLOpen;
    QAction* Action_WEdit;
    QAction* Action_TextChange;
    QAction* Action_Save;
    QAction* Action_Delete;
    QAction* Action_Cancel;

    // The action handlers.
    void Action_ConnectExecute();
    void Action_CreateRootNodeExecute();
    void Action_GetMoreDetailExecute();
    void Action_PlaceUpExecute();
    void Action_PlaceDownExecute();
    void Action_UDLOpenExecute();
    void Action_WEditExecute();
    void Action_TextChangeExecute();
    void Action_SaveExecute();
    void Action_DeleteExecute();
    void Action_CancelExecute();
    void UpdateActions();

    // Plugs the store, the dialog and the two connect prompts into the driver.
    static void PlugInto(TADODriver& Driver);

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void BuildForm();
    void LoadFile();
    // Saves the tree under the file's lock, merged with what another copy
    // wrote since the store read Read; false when the file now holds damage
    // of which no copy could be kept.
    bool WriteStore(const std::string& Read);
    bool MergeWithFile(const std::string& Read, const std::string& Now, std::string& Text);
    void ShowNode(TTreeNodeEx* Node);
    void LeaveNode(TTreeNodeEx* Node);
    void FillObjectTreeList(TTreeNodeEx* Node);
    std::string CheckedObjectTrees() const;
    void DeleteNode(TTreeNodeEx* Node);
    // Runs an action's work; an error is shown to the user, never passed on to Qt.
    void Run(const std::function<void()>& work);

    std::string FFileName;
    TDriverInterfaceProp* DriverProp;  // not owned
    TTreeNodeEx* FShownNode = nullptr; // the node whose data the panes show
    std::string FReadText;             // the file as this store read or last wrote it
};
