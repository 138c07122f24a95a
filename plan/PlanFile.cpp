#include "plan/PlanFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "plan/PlanCsv.h"
#include "plan/PlanJson.h"

namespace tulex::plan {

namespace {

bool HasJsonName(const std::filesystem::path& name) {
    std::string extension = name.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".json";
}

bool LooksLikeJson(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    const auto first = bytes.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && bytes[first] == '{';
}

}  // namespace

std::filesystem::path Utf8Path(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

PlanReadResult ReadPlanBytes(std::string_view bytes, const std::filesystem::path& name) {
    if (HasJsonName(name) || LooksLikeJson(bytes)) return ReadPlanJson(bytes);
    PlanReadResult result = ReadPlanCsv(bytes);
    if (result.plan) result.plan->site = PathText(name.stem());
    return result;
}

PlanReadResult ReadPlanFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        PlanReadResult result;
        result.errors.push_back({0, 0, "файл «" + PathText(path) + "» не читается: " + std::strerror(errno)});
        return result;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return ReadPlanBytes(bytes, path);
}

std::string WriteTextFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return "файл «" + PathText(path) + "» не записывается: " + std::strerror(errno);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) return "файл «" + PathText(path) + "» записан не полностью: " + std::strerror(errno);
    return {};
}

std::string WritePlanTemplate(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) return "файл «" + PathText(path) + "» уже есть; шаблон его не заменяет";
    return WriteTextFile(path, HasJsonName(path) ? PlanJsonTemplate() : PlanCsvTemplate());
}

}  // namespace tulex::plan
