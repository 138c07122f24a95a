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

PlanReadResult ReadPlanBytes(std::string_view bytes, const std::filesystem::path& name) {
    if (HasJsonName(name) || LooksLikeJson(bytes)) return ReadPlanJson(bytes);
    PlanReadResult result = ReadPlanCsv(bytes);
    if (result.plan) result.plan->site = name.stem().string();
    return result;
}

PlanReadResult ReadPlanFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        PlanReadResult result;
        result.errors.push_back({0, 0, "файл «" + path.string() + "» не читается: " + std::strerror(errno)});
        return result;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return ReadPlanBytes(bytes, path);
}

std::string WriteTextFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return "файл «" + path.string() + "» не записывается: " + std::strerror(errno);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) return "файл «" + path.string() + "» записан не полностью: " + std::strerror(errno);
    return {};
}

std::string WritePlanTemplate(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) return "файл «" + path.string() + "» уже есть; шаблон его не заменяет";
    return WriteTextFile(path, HasJsonName(path) ? PlanJsonTemplate() : PlanCsvTemplate());
}

}  // namespace tulex::plan
