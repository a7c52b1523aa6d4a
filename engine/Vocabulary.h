// The phrase list of the hidden command z_EE: 975 short one-line jokes in a
// fixed order, and a pseudo-random pick among them.
#pragma once
#include <string>

#include "StringList.h"

// The phrases, built once on first use.
const TStringList& PhraseList();
// S := a phrase at a pseudo-random index, trimmed of blanks and control characters.
void GetRandomPhrase(std::string& S);
