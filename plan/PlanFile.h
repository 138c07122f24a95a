#pragma once
// Plan files on disk: reading one (JSON when the name ends in .json or the
// text starts with "{", CSV otherwise) and writing the template.

#include <filesystem>
#include <string>

#include "plan/PlanErrors.h"

namespace tulex::plan {

// The site of a CSV plan, which has no field for it, is the file's name
// without its extension.
PlanReadResult ReadPlanFile(const std::filesystem::path& path);

// The same for bytes already read; `name` decides the format as above.
PlanReadResult ReadPlanBytes(std::string_view bytes, const std::filesystem::path& name);

// Writes the template: JSON for a .json name, CSV otherwise. Refuses to
// overwrite a file. Empty on success, else why not (UTF-8).
std::string WritePlanTemplate(const std::filesystem::path& path);

// A path from UTF-8 text (a command-line argument, a dialog's text), and
// a path as UTF-8 text for messages: the same bytes on Linux, the wide
// names on Windows.
std::filesystem::path Utf8Path(std::string_view text);
std::string PathText(const std::filesystem::path& path);

// Writes text to a file in one go; empty on success, else why not.
std::string WriteTextFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace tulex::plan
