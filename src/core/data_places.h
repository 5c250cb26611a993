#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/status.h"

// Where the programs find what they read (the tables, the schema, the manual) and the folder the
// window works in (config.ini, the draft), for a program started in its own folder as for one
// installed by a package and started from the desktop's menu.
//
// The data: the working folder's ref/ when it has one (everything the manual says of a program
// started in a folder that holds ref/ stays true), otherwise the installed data folder's ref/,
// found beside the executable (<prefix>/bin/nerovale reads <prefix>/share/nerovale/ref), so that a
// package unpacked under any root works; when neither exists, the working folder's ref/, whose
// missing files the messages name as they always did. The manual likewise, file by file: the
// working folder's docs/Nerovale-Manuale_Utente.pdf, else the installed one.
//
// The working folder of the window: the folder it was started in when that folder holds config.ini,
// the draft or ref/ (the application's folder); otherwise, and always when it is started in the home
// folder itself (as the desktop's menu does, and where a config.ini may be another program's), the
// user's own folder ~/Nerovale, made at the first start.
namespace nerovale::places {

inline constexpr std::string_view kDataFolderName = "nerovale";      // <prefix>/share/nerovale
inline constexpr std::string_view kUserFolderName = "Nerovale";      // ~/Nerovale
inline constexpr std::string_view kManualName = "Nerovale-Manuale_Utente.pdf";

// The installed data folder of an executable: <folder above the executable's>/share/nerovale, when
// that is a folder; empty otherwise (a program run from its build folder).
std::filesystem::path InstalledDataFolder(const std::filesystem::path& executable);

// The running program's own executable, links resolved (Linux: /proc/self/exe); empty when unknown.
std::filesystem::path RunningExecutable();

// The installed data folder of the running program (see InstalledDataFolder), or empty.
std::filesystem::path RunningInstalledData();

// Where the tables, the schema and the manual are read from. Paths are absolute.
struct DataPlaces {
  std::filesystem::path ref;     // the folder of the tables and of the schema
  std::filesystem::path manual;  // the manual's PDF file
  bool installed_ref = false;    // ref is the installed data folder's, not the working folder's

  std::filesystem::path Comuni() const { return ref / "FileCodComuni.txt"; }
  std::filesystem::path Stati() const { return ref / "FileCodStati.txt"; }
  std::filesystem::path Validity() const { return ref / "FileValiditaComuni.txt"; }
  std::filesystem::path Schema() const { return ref / "validate.xsd"; }
};

// The data of a working folder, with the installed data folder (empty: none) as the second choice.
DataPlaces FindData(const std::filesystem::path& working_folder, const std::filesystem::path& installed_data);

// Whether a folder is an application folder: it holds config.ini, the draft or a ref/ folder.
bool IsApplicationFolder(const std::filesystem::path& folder);

// The user's home folder: $HOME, else the one of the password database; empty when neither is known.
std::filesystem::path UserHome();

// The user's own folder in a home folder: <home>/Nerovale.
std::filesystem::path UserFolder(const std::filesystem::path& home);

// Whether a folder is the user's own folder of the current user's home.
bool IsUserFolder(const std::filesystem::path& folder);

// The folder the window works in.
struct WorkingFolder {
  std::filesystem::path folder;  // absolute
  bool made = false;             // the user's folder was made by this start
  Status status;                 // a failure: the user's folder is not there and could not be made
};

// The started folder when it is an application folder other than home itself; otherwise the user's
// folder of home, made when it is missing. Without a home folder, the started folder.
WorkingFolder ChooseWorkingFolder(const std::filesystem::path& started_in, const std::filesystem::path& home);

}  // namespace nerovale::places
