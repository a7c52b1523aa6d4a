#include "U_EnvEditorLaunch.h"

#include "KZNMessageDlg.h"
#include "U_Frame_SQLClient.h"

// The settings editor is not part of this build yet: the user is told so.
void ShowEnvEditorDialog(TFrameSQLClient& Owner, TEnvironment&) {
    MessageDlg("環境設定画面はまだ組み込まれていません。設定ファイルを直接編集してください。", TMsgDlgType::mtInformation,
               &Owner);
}
