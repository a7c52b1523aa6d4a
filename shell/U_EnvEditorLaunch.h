// Opening the settings editor: the one place where the main form reaches the
// editor's window. Env has been loaded from the settings file; Owner is the
// client window the request came from.
#pragma once

class TEnvironment;
class TFrameSQLClient;

// Creates the settings editor owned by Owner on Env, lets pending events
// through once, makes it stay on top and shows it modally; returns when it
// has closed and been freed.
void ShowEnvEditorDialog(TFrameSQLClient& Owner, TEnvironment& Env);
