// Titles, help lines and registration of the connection, transaction, folder,
// exit, output-mode, display, variable, DESC, export and result sheet commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CommandRunner.h"
#include "FakeHost.h"
#include "U_CommandManager.h"
#include "U_GrobalCommandRegister.h"

namespace {

using Texts = TCommandTexts;

const std::vector<Texts> kTexts = {
    {"Connect", "データベースコネクト",
     {"データベースコネクションを確立します", "  使用方法", "    Param  : \"接続名\" (省略可）"}},
    {"DisConnect", "データベース切断", {"データベースコネクションを切断します"}},
    {"ReConnect", "データベース再接続", {"現在の接続を一度切断し、同じ接続情報で再接続します"}},
    {"Set", "環境変数の設定",
     {"環境変数を設定します", "  使用方法", "    Param 1 : [環境変数名]", "    Param 2 : [=]", "    Param 3 : [セットする値]",
      "    ※Param 1以降を省略すると、全ての環境変数の内容値を表示します",
      "    ※Param 2以降を省略すると、その環境変数(Param1)の内容値を表示します",
      "      例： #Set test = abc;  (testという環境変数に[abc]を代入)", "           #Set test;  (testという環境変数の内容を表示)",
      "           Select {!test} From A;  (Aテーブルの[abc]項目の内容を表示するSQL)"}},
    {"SetV", "環境変数の設定(ダイアログ)",
     {"環境変数をダイアログ上で設定します", "  使用方法", "    Param 1 : 対象環境変数名（カンマ区切りで複数指定可）",
      "    ※Param 1を省略すると、全ての環境変数を対象とします。", "      例： #SetV test1,test2,test3;",
      "              (test1 と test2 と test3 という環境変数を対象)", "           #SetV;", "              (全ての環境変数を対象)"}},
    {"SetAllClear", "環境変数を全てクリアする",
     {"環境変数を全てクリアします（環境変数名、値の両方を削除）", "  使用方法", "      例： #SetAllClear;",
      "              (環境変数を全てクリアする)"}},
    {"Text", "データセット表示をテキスト出力に変更",
     {"SELECT文の結果であるデータセットの表示をテキスト出力に変更します。"}},
    {"TextGrid", "データセット表示をテキスト出力（区切り付き）に変更",
     {"SELECT文の結果であるデータセットの表示をテキスト出力（区切り付き）に変更します。"}},
    {"Grid", "データセット表示をグリッド出力に変更", {"SELECT文の結果であるデータセットの表示をグリッド出力に変更します。"}},
    {"SDF", "データセット表示をSDF(CSV)出力に変更", {"SELECT文の結果であるデータセットの表示をSDF(CSV)出力に変更します。"}},
    {"TAB", "データセット表示をTAB出力に変更", {"SELECT文の結果であるデータセットの表示をTAB出力に変更します。"}},
    {"CutSheet", "次に実行するSQLを単票出力する",
     {"このコマンドが実行された直後のSQL結果を単票出力する。", "",
      "   注意：このコマンドは、同一スクリプト内であり、かつ直後のＳＱＬ結果にのみ有効です。"}},
    {"SQLEcho", "実行したコマンドやSQLを結果に表示",
     {"コマンド：命令行をはそのまま表示", "SQL：実際にサーバに送信した文字列を表示", "", "  使用方法",
      "    Param  : ON:表示する  : OFF:表示しない", "    （パラメータなしの場合は現在状態を表示します)", "",
      "   例： #SQLEcho OFF   (「SQLEcho表示をしない」に変更)"}},
    {"SQLResultEchoOff", "次に実行するSQLの結果情報を制御する",
     {"このコマンドが実行された直後のSQL結果報告文字列の表示制御をする。",
      "   （SQL実行結果の例：  「 結果:49件 (180ms) 」） ", "", "  使用方法",
      "    Param  : ON:表示する  : OFF:表示しない", "    （パラメータなしの場合は現在状態を表示します)", "",
      "   例： #SQLResultEcho OFF   (「SQLResultEcho表示をしない」に変更)", "",
      "   注意：このコマンドは、同一スクリプト内であり、かつ直後のＳＱＬ結果にのみ有効です。"}},
    {"CD", "カレントフォルダ移動",
     {"カレントフォルダを移動します", "  使用方法", "    Param 1 : 移動先(相対／絶対)フォルダ名",
      "      ※Param 1 を省略した場合は、カレントフォルダ名を表示します"}},
    {"Begin", "トランザクションの開始", {"トランザクションを開始します", "  使用方法", "    Param  : なし"}},
    {"RollBack", "トランザクションのロールバック",
     {"トランザクションをロールバックします", "  使用方法", "    Param  : なし"}},
    {"Commit", "トランザクションのコミット", {"トランザクションをコミットします", "  使用方法", "    Param  : なし"}},
    {"StepDisplayCount", "実行結果をステップ表示",
     {"実行結果をステップ表示する行数の設定または表示します", "  使用方法", "    Param 1 : ステップ表示行数 または [OFF]",
      "      ※Param 1 に何も指定しなかった場合は環境変数 StepDisplayCountの値を表示します",
      "      ※Param 1 に [OFF]を記述した場合は環境変数 StepDisplayCountの値を 0 にします"}},
    {"Desc", "テーブル項目情報の取得",
     {"テーブル項目情報を取得して表示します", "  使用方法", "    Param  : \"Schema名\".\"Table名\"  (Schema名は省略可）"}},
    {"Print", "文字列の表示",
     {"文字列を結果表示エディタに表示します", "  使用方法", "    Param  : \"表示したい文字列\""}},
    {"Erase", "表示の消去", {"現在表示中の結果を消去します", "  使用方法", "    Param  : なし"}},
    {"SaveToFile", "結果テキストの保存",
     {"結果エディタの内容をファイルに保存します", "  使用方法", "    Param  : \"ファイル名\"",
      "    （パラメータなしの場合は保存ファイル指定ダイアログが表示されます）"}},
    {"SaveToFileXLS", "結果テキストの保存(XLS)",
     {"結果エディタの内容をXLS形式でファイルに保存します", "  使用方法", "    Param  : \"ファイル名\"",
      "    （パラメータなしの場合は保存ファイル指定ダイアログが表示されます）"}},
    {"NewSheet", "新規結果シートの作成",
     {"新しく結果シートを作成します。", "  使用方法", "    Param  : 新規シート名  ※重複した場合は上書きになります。",
      "    （パラメータなしの場合はデフォルトシート名で新規作成します）"}},
    {"DelSheet", "結果シートの削除",
     {"結果シートを削除します。", "  使用方法", "    Param  : 削除シート名",
      "    （パラメータなしの場合はカレントシートが削除されます）", "    ※指定同名のシートがある場合は全て削除します。"}},
    {"InitSheet", "結果シートの初期化",
     {"全ての結果シートを削除し、新たに一つ結果シートを作成します。", "  使用方法", "    Param  : 初期シート名",
      "    （パラメータなしの場合はデフォルト名で初期シートが作成されます）"}},
    {"DelInActiveSheet", "アクティブシート以外の削除", {"現在アクティブなシート「以外」全てのシートを削除します。"}},
    {"Exit", "画面を閉じる", {"画面を閉じます。"}},
};

TEST(CommandCatalogue, TitlesAndHelpLines) {
    ExpectCommandTexts(kTexts);
}

// The registry holds these commands in catalogue order, among the others.
TEST(CommandCatalogue, RegistrationOrder) {
    const std::vector<std::string> catalogue = {
        "TzConnect", "TzDisConnect", "TzReConnect", "TzSet", "TzSetV", "TzSetAllClear", "TzText", "TzTextGrid",
        "TzGrid", "TzSDF", "TzTAB", "TzCutSheet", "TzSQLEcho", "TzSQLResultEchoOff", "TzCD", "TzHelp",
        "TzCommandList", "TzBegin", "TzRollBack", "TzCommit", "TzStepDisplayCount", "TzDesc", "TzPrint", "TzErase",
        "TzSaveToFile", "TzSaveToFileXLS", "TzNewSheet", "TzDelSheet", "TzInitSheet", "TzDelInActiveSheet", "TzExit",
        "TzAddObjectTree", "TzAddObjectTreeM", "TzClearObjectTree", "TzRefreshObjectTree", "TzObjectTreeViewConfig",
        "TzDB2eCLP", "Tzz_EE"};
    std::vector<std::string> registered;
    for (const TCommandClass* c : GrobalCommandRegister().GetCommandClasses())
        if (std::find(catalogue.begin(), catalogue.end(), c->ClassName) != catalogue.end())
            registered.push_back(c->ClassName);
    std::vector<std::string> inOrder;
    for (const std::string& name : catalogue)
        if (std::find(registered.begin(), registered.end(), name) != registered.end()) inOrder.push_back(name);
    EXPECT_EQ(registered, inOrder);
    for (const Texts& t : kTexts)
        EXPECT_NE(std::find(registered.begin(), registered.end(), std::string("Tz") + t.Word), registered.end())
            << t.Word;
}

}  // namespace
