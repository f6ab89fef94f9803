// Where the section screens write their result: risultato.m in the folder of the executable.
#pragma once

#include <filesystem>

namespace nurlo {

std::filesystem::path resultScriptPath();

}  // namespace nurlo
