#include "E_Exception.h"

const char* const EExceptionBase::DefaultMessage = "基底クラスのコンストラクタが実行されました。";

EExceptionBase::EExceptionBase() : Exception(DefaultMessage) {}
EExceptionBase::EExceptionBase(std::string Msg) : Exception(std::move(Msg)) {}
