// Where the section screens write their result, risultato.m: beside the executable when its folder
// can be written (a build tree, a copied folder), otherwise in the user's documents folder, made
// if missing (an installed program, whose folder belongs to the system). Chosen once at start-up;
// the view of a section screen shows the path. When neither folder can be written the path still
// names the documents folder, and the click that opens the file meets the file error there.
#pragma once

#include <filesystem>
#include <functional>

namespace nurlo {

// Whether a new file can be made in `folder`.
using FolderWritable = std::function<bool(const std::filesystem::path& folder)>;

// True when a file can really be created in `folder`: a probe file is made and removed. Permission
// bits alone would mislead (root, read-only mounts, /proc).
bool canCreateFileIn(const std::filesystem::path& folder);

// risultato.m in `executableFolder` when `writable` says so, else in `documentsFolder`, which is
// made (with its parents) if it does not exist; a failure to make it is left to the file's open.
// Without a documents folder (no home) the executable's folder stays the only choice.
std::filesystem::path resultScriptPath(const std::filesystem::path& executableFolder,
                                       const std::filesystem::path& documentsFolder,
                                       const FolderWritable& writable = canCreateFileIn);

// The program's own choice: the running executable's folder and the user's documents folder.
// Needs the application object.
std::filesystem::path resultScriptPath();

}  // namespace nurlo
