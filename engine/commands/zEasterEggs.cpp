#include "zEasterEggs.h"

#include "Vocabulary.h"

Z_DEFINE_COMMAND_CLASS(Tzz_EE);

void Tzz_EE::Execute() {
    Output.Clear();
    std::string phrase;
    GetRandomPhrase(phrase);
    Host->FormatResultLinesToWidth(phrase, Output);
}
