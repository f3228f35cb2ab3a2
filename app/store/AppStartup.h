// The start-up steps that need no window, shared by the program and keyforgectl:
// the application name from config.xml, the interface language, the data folder.
#pragma once

namespace KeyForge {

/// Reads the `name` of `software` in <program folder>config.xml into the UI
/// library's device name; a missing or malformed file keeps the default.
void LoadApplicationName();

/// Settles the interface language: the stored one, or on a first start the user's
/// (storing 1033 when that is 1033 and 2052 otherwise). Returns the language of this run.
int ChooseInterfaceLanguage();

/// Creates <data folder>db with its parents; failure is silent.
void CreateDataFolders();

/// The three steps above, in start-up order.
void RunStartupSteps();

}  // namespace KeyForge
