// Connection strings as key=value lines and back, the connection-string
// dialog, the provider's completed string, and the connection string of a
// UDL file.
#pragma once
#include <string>

#include "Exception.h"
#include "StringList.h"

Z_DECLARE_EXCEPTION(EADOConnectStringsUtil, Exception);

class TADOConnectStringsUtil {
public:
    // The list's lines joined, each followed by ";" (the last one too). A null list raises.
    static void ListToString(const TStringList* List, std::string& S);
    // Replaces the list by the elements of S: split at ";" outside double
    // quotes, double-byte characters skipped, nothing trimmed. A null list raises.
    static void StringToList(const std::string& S, TStringList* List);
    // Edits the lines in the connection-string dialog (registered in TConnectPrompts).
    static void EditWithDataLink(void* ParentWindow, TStringList* List);
    // S := the completed connection string of a trial connection made from the lines.
    static void GetMoreDetail(const TStringList* List, std::string& S);
    // S := the connection string of a UDL file (UTF-16LE, its third line);
    // empty when the file does not exist. Raises EADOConnectStringsUtil when
    // the file holds a character that CP932 cannot hold (never a substitute).
    static void ReadUDLFile(const std::string& FileName, std::string& S);
};
