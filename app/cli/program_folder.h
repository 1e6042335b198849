#pragma once

#include <filesystem>
#include <string>

namespace ch {

// Makes sure the program folder can hold the settings, list files and denied.txt: a folder that
// does not exist yet is created with an empty denied list (a new, separate harvest); an existing
// one must be writable. Returns an error text for the user, or the empty text when all is well.
std::string PrepareProgramFolder(const std::filesystem::path& folder);

// Why no file can be created in the folder, or the empty text when one can.
std::string WritableFolderError(const std::filesystem::path& folder);

}  // namespace ch
