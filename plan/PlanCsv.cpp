#include "plan/PlanCsv.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <vector>

#include "plan/FieldValues.h"
#include "plan/PlanRows.h"
#include "plan/PlanText.h"

namespace tulex::plan {

namespace {

struct CsvField {
    std::string text;
    int line = 0;  // where the field starts
};

struct CsvRecord {
    int line = 0;
    std::vector<CsvField> fields;
};

// The separator the header line uses: ";" unless it has more commas than
// semicolons (quoted text does not count).
char DetectSeparator(std::string_view text) {
    int semicolons = 0;
    int commas = 0;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\n' || c == '\r') break;
        if (c == ';') ++semicolons;
        if (c == ',') ++commas;
    }
    return commas > semicolons ? ',' : ';';
}

// Cuts the text into records of fields. Errors (quotes) go to `errors`.
std::vector<CsvRecord> CutRecords(std::string_view text, char separator, std::vector<PlanError>& errors) {
    std::vector<CsvRecord> records;
    CsvRecord record{1, {}};
    CsvField field{{}, 1};
    int line = 1;
    std::size_t i = 0;
    const auto endField = [&] {
        record.fields.push_back(std::move(field));
        field = CsvField{{}, line};
    };
    const auto endRecord = [&] {
        endField();
        records.push_back(std::move(record));
        record = CsvRecord{line, {}};
        field.line = line;
    };
    // Skips a line break at i (CR LF, LF or CR); true if there was one.
    const auto lineBreak = [&] {
        if (text[i] == '\r') {
            i += (i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
        } else if (text[i] == '\n') {
            ++i;
        } else {
            return false;
        }
        ++line;
        return true;
    };
    while (i < text.size()) {
        if (text[i] == '"' && field.text.empty()) {
            // A quoted field: up to the quote that is not doubled.
            const int openLine = line;
            const int openColumn = static_cast<int>(record.fields.size()) + 1;
            ++i;
            bool closed = false;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field.text += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                if (text[i] == '\r' || text[i] == '\n') {
                    lineBreak();
                    field.text += '\n';
                    continue;
                }
                field.text += text[i++];
            }
            if (!closed) {
                errors.push_back({openLine, openColumn, "кавычка не закрыта до конца файла"});
                return records;
            }
            if (i < text.size() && text[i] != separator && text[i] != '\r' && text[i] != '\n') {
                errors.push_back({line, openColumn, "после закрывающей кавычки стоит текст"});
                // Skip to the end of the field so the rest of the line is read.
                while (i < text.size() && text[i] != separator && text[i] != '\r' && text[i] != '\n') ++i;
            }
            continue;
        }
        if (text[i] == separator) {
            ++i;
            endField();
            continue;
        }
        if (lineBreak()) {
            endRecord();
            continue;
        }
        field.text += text[i++];
    }
    if (!field.text.empty() || !record.fields.empty()) endRecord();
    return records;
}

bool AllEmpty(const CsvRecord& record) {
    return std::all_of(record.fields.begin(), record.fields.end(),
                       [](const CsvField& f) { return TrimmedValue(f.text).empty(); });
}

std::string HeaderName(std::string_view text) {
    std::string name = TrimmedValue(text);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

void ReadCsv(const DecodedText& decoded, PlanReadResult& result, Plan& plan) {
    const std::string& text = decoded.utf8;
    const char separator = DetectSeparator(text);
    result.format = std::string("CSV, «") + separator + "», " + EncodingName(decoded.encoding);

    std::vector<CsvRecord> records = CutRecords(text, separator, result.errors);
    // Lines above the header that hold nothing do not count as the header.
    std::size_t first = 0;
    while (first < records.size() && AllEmpty(records[first])) ++first;
    if (first == records.size()) {
        if (result.errors.empty()) result.errors.push_back({0, 0, "файл пуст: нет строки заголовка"});
        return;
    }

    // The header: which column holds which field.
    const CsvRecord& header = records[first];
    std::vector<std::string> columns(header.fields.size());
    std::map<std::string, int> named;  // field -> its column (1-based)
    for (std::size_t c = 0; c < header.fields.size(); ++c) {
        const std::string name = HeaderName(header.fields[c].text);
        const int column = static_cast<int>(c) + 1;
        if (name.empty()) continue;  // allowed while its cells are empty
        if (!IsPlanField(name)) {
            result.errors.push_back(
                {header.line, column, "неизвестный столбец «" + name + "» (столбцы плана: " + PlanFieldList() + ")"});
            continue;
        }
        if (const auto [at, fresh] = named.emplace(name, column); !fresh) {
            result.errors.push_back(
                {header.line, column,
                 "столбец «" + name + "» повторяется (первый — столбец " + std::to_string(at->second) + ")"});
            continue;
        }
        columns[c] = name;
    }
    if (!named.count(kFieldIndex)) result.errors.push_back({header.line, 0, "в заголовке нет столбца «index»"});
    if (!result.errors.empty()) return;

    RowBuilder rows(result.errors);
    for (std::size_t r = first + 1; r < records.size(); ++r) {
        const CsvRecord& record = records[r];
        if (AllEmpty(record)) continue;
        rows.Begin(record.line);
        for (std::size_t c = 0; c < record.fields.size(); ++c) {
            const CsvField& field = record.fields[c];
            const FieldPlace place{field.line, static_cast<int>(c) + 1};
            if (c >= columns.size() || columns[c].empty()) {
                if (!TrimmedValue(field.text).empty())
                    rows.Error(place, c >= columns.size() ? "значение правее последнего столбца заголовка"
                                                          : "значение в столбце без заголовка");
                continue;
            }
            rows.Field(columns[c], field.text, place);
        }
        rows.End({record.line, 0}, plan);
    }
    if (result.errors.empty() && plan.rows.empty())
        result.errors.push_back({header.line, 0, "в плане нет ни одного контроллера"});
}

}  // namespace

PlanReadResult ReadPlanCsv(std::string_view bytes) { return ReadPlanText(bytes, ReadCsv); }

namespace {

// A field as CSV writes it: quoted when it holds the separator, a quote or
// a line break.
std::string QuoteCsv(const std::string& text) {
    if (text.find_first_of(";\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string CsvRow(const PlannedController& row) {
    std::string line = QuoteCsv(IndexUtf8(row.index)) + ";" + QuoteCsv(row.name) + ";";
    line += (row.preset ? PresetValueText(*row.preset) : "") + ";";
    line += (row.mode ? ModeValueText(*row.mode) : "") + ";";
    for (std::size_t relay = 0; relay < 4; ++relay)
        line += (row.relayTenths[relay] ? QuoteCsv(row.relayText[relay]) : "") + ";";
    line += row.masterCard.value_or("");
    return line + "\r\n";
}

constexpr const char* kHeader = "index;name;preset;mode;relay1;relay2;relay3;relay4;master_card\r\n";
constexpr const char* kBom = "\xEF\xBB\xBF";

}  // namespace

std::string WritePlanCsv(const Plan& plan) {
    std::string out = std::string(kBom) + kHeader;
    for (const auto& row : plan.rows) out += CsvRow(row);
    return out;
}

std::string PlanCsvTemplate() { return std::string(kBom) + kHeader + "G;Главный вход;2;offline;3.0;;;;0012345678\r\n"; }

}  // namespace tulex::plan
