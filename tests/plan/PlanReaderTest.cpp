// The plan reader on a table of good and bad files: CSV as spreadsheets
// write it (either separator, UTF-8 with or without BOM, Windows-1251,
// quotes, any line ends) and JSON. A file with any error gives no plan, and
// every error names its line and column.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "line/Cp1251.h"
#include "plan/FieldValues.h"
#include "plan/PlanCsv.h"
#include "plan/PlanFile.h"
#include "plan/PlanJson.h"
#include "tests/support/TempDir.h"

namespace tulex::plan {
namespace {

constexpr std::uint8_t kZhe = 0xC6;  // "Ж" in Windows-1251

// A row as the tests compare it: every field in the plan's own text form.
struct Row {
    std::string index;
    std::string name;
    std::string preset;  // "" = leave as is
    std::string mode;
    std::vector<std::string> relays;  // tenths as seconds, "" = leave
    std::string masterCard;
    friend bool operator==(const Row&, const Row&) = default;
};

void PrintTo(const Row& r, std::ostream* os) {
    *os << "{" << r.index << "|" << r.name << "|" << r.preset << "|" << r.mode << "|";
    for (const auto& t : r.relays) *os << t << ",";
    *os << "|" << r.masterCard << "}";
}

Row Describe(const PlannedController& c) {
    Row r{IndexUtf8(c.index),
          c.name,
          c.preset ? PresetValueText(*c.preset) : "",
          c.mode ? ModeValueText(*c.mode) : "",
          {},
          c.masterCard.value_or("")};
    for (const auto& t : c.relayTenths) r.relays.push_back(t ? TenthsText(*t) : "");
    return r;
}

std::vector<Row> Rows(const Plan& plan) {
    std::vector<Row> rows;
    for (const auto& c : plan.rows) rows.push_back(Describe(c));
    return rows;
}

std::string ErrorsText(const PlanReadResult& r) {
    std::string text;
    for (const auto& e : r.errors) text += PlanErrorText(e) + "\n";
    return text;
}

const std::vector<std::string> kNoRelays{"", "", "", ""};

struct GoodFile {
    const char* name;
    std::string file;  // the name decides CSV or JSON
    std::string bytes;
    std::string site;
    std::vector<Row> rows;
    std::string format;
};

class GoodPlanFile : public ::testing::TestWithParam<GoodFile> {};

TEST_P(GoodPlanFile, ReadsEveryRow) {
    const GoodFile& c = GetParam();
    const PlanReadResult result = ReadPlanBytes(c.bytes, c.file);
    ASSERT_TRUE(result.plan) << ErrorsText(result);
    EXPECT_TRUE(result.errors.empty());
    EXPECT_EQ(result.plan->site, c.site);
    EXPECT_EQ(Rows(*result.plan), c.rows);
    EXPECT_EQ(result.format, c.format);
}

const std::string kBom = "\xEF\xBB\xBF";

INSTANTIATE_TEST_SUITE_P(
    Files, GoodPlanFile,
    ::testing::Values(
        GoodFile{"semicolon_utf8",
                 "site-a.csv",
                 "index;name;preset;mode;relay1;relay2;relay3;relay4;master_card\n"
                 "G;Главный вход;2;offline;3.0;;;;0012345678\n"
                 "H;Турникет;3;online;0.5;0.5;;;\n",
                 "site-a",
                 {{"G", "Главный вход", "2", "offline", {"3.0", "", "", ""}, "0012345678"},
                  {"H", "Турникет", "3", "online", {"0.5", "0.5", "", ""}, ""}},
                 "CSV, «;», UTF-8"},
        GoodFile{"comma_bom_crlf_any_order",
                 "b.csv",
                 kBom + " Master_Card , MODE,Index ,relay4\r\n00aabbccdd,Autonomous,Ж,25.5\r\n,,0x48,\r\n",
                 "b",
                 {{"Ж", "", "", "autonomous", {"", "", "", "25.5"}, "00AABBCCDD"}, {"H", "", "", "", kNoRelays, ""}},
                 "CSV, «,», UTF-8 с BOM"},
        GoodFile{"windows_1251",
                 "c.csv",
                 "index;name;preset\r\n\xC6;\xC4\xE2\xE5\xF0\xFC 1;1\r\n\xFC;\xCA\xE0\xF1\xF1\xE0;5\r\n",
                 "c",
                 {{"Ж", "Дверь 1", "1", "", kNoRelays, ""}, {"ь", "Касса", "5", "", kNoRelays, ""}},
                 "CSV, «;», Windows-1251"},
        GoodFile{"quotes_blank_lines_trailing_separators",
                 "d.csv",
                 "index;name;mode;;\n\n"
                 "G;\"Вход; \"\"южный\"\"\nвторой этаж\";online;;\n"
                 ";;;;\n"
                 "\"H\";\"\";\"offline\"\n",
                 "d",
                 {{"G", "Вход; \"южный\"\nвторой этаж", "", "online", kNoRelays, ""},
                  {"H", "", "", "offline", kNoRelays, ""}},
                 "CSV, «;», UTF-8"},
        GoodFile{"cr_line_ends_and_dialog_trimming",
                 "e.csv",
                 "index;relay1;relay2\r G ; 0.15 ;2.50\r",
                 "e",
                 {{"G", "", "", "", {"0.1", "2.5", "", ""}, ""}},
                 "CSV, «;», UTF-8"},
        GoodFile{
            "json_full",
            "f.json",
            R"({"site": "Склад №2", "controllers": [
                     {"index": "G", "name": "Ворота", "preset": 4, "mode": "online",
                      "relay": [2.5, null, "1.0", null], "master_card": "0012345678"},
                     {"index": "0xFC", "preset": "1", "mode": null, "relay": null, "master_card": null}]})",
            "Склад №2",
            {{"G", "Ворота", "4", "online", {"2.5", "", "1.0", ""}, "0012345678"}, {"ь", "", "1", "", kNoRelays, ""}},
            "JSON, UTF-8"},
        GoodFile{"json_by_content_with_bom_short_relay_list",
                 "plan.txt",
                 kBom + R"( {"controllers": [{"index": "Ж", "relay": [null, 3]}]})",
                 "",
                 {{"Ж", "", "", "", {"", "3.0", "", ""}, ""}},
                 "JSON, UTF-8 с BOM"}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadFile {
    const char* name;
    std::string file;
    std::string bytes;
    int line;
    int column;
    std::string message;  // a part of the first error's text
};

class BadPlanFile : public ::testing::TestWithParam<BadFile> {};

TEST_P(BadPlanFile, NamesLineAndColumnAndGivesNoPlan) {
    const BadFile& c = GetParam();
    const PlanReadResult result = ReadPlanBytes(c.bytes, c.file);
    EXPECT_FALSE(result.plan);
    ASSERT_FALSE(result.errors.empty());
    const PlanError& first = result.errors.front();
    EXPECT_EQ(first.line, c.line) << ErrorsText(result);
    EXPECT_EQ(first.column, c.column) << ErrorsText(result);
    EXPECT_NE(first.message.find(c.message), std::string::npos) << ErrorsText(result);
}

const std::string kHeader = "index;name;preset;mode;relay1;relay2;relay3;relay4;master_card\n";

INSTANTIATE_TEST_SUITE_P(
    Csv, BadPlanFile,
    ::testing::Values(
        BadFile{"unknown_column", "a.csv", "index;name;mod\nG;x;online\n", 1, 3, "неизвестный столбец «mod»"},
        BadFile{"no_index_column", "a.csv", "name;mode\nx;online\n", 1, 0, "нет столбца «index»"},
        BadFile{"column_twice", "a.csv", "index;mode;Mode\n", 1, 3, "повторяется (первый — столбец 2)"},
        BadFile{"bad_mode", "a.csv", kHeader + "G;;;online\nH;;;fast\n", 3, 4, "mode: «fast» — неверный режим"},
        BadFile{"comma_decimal", "a.csv", kHeader + "G;;;;2,5\n", 2, 5, "десятичный разделитель — точка"},
        BadFile{"relay_out_of_range", "a.csv", kHeader + "G;;;;;;25.6\n", 2, 7, "relay3: «25.6»"},
        BadFile{"preset_6", "a.csv", kHeader + "G;;6\n", 2, 3, "неверный стандартный набор"},
        BadFile{"card_nine_digits", "a.csv", kHeader + "G;;;;;;;;001234567\n", 2, 9, "неверный номер мастер-карты"},
        BadFile{"card_not_hex", "a.csv", kHeader + "G;;;;;;;;00123456XY\n", 2, 9, "мастер-карты"},
        BadFile{"index_below_table", "a.csv", "index\nF\n", 2, 1, "«F» — неверный индекс"},
        BadFile{"index_two_characters", "a.csv", "index\nGG\n", 2, 1, "«GG» — неверный индекс"},
        BadFile{"index_empty", "a.csv", "index;name\n;Дверь\n", 2, 1, "не указан индекс"},
        BadFile{"index_twice", "a.csv", "index;name\nG;a\nH;b\n0x47;c\n", 4, 1, "уже есть в плане (строка 2)"},
        BadFile{"quote_not_closed", "a.csv", "index;name\nG;ok\nH;\"Дверь\n", 3, 2, "кавычка не закрыта"},
        BadFile{"text_after_quote", "a.csv", "index;name\nG;\"a\"b\n", 2, 2, "после закрывающей кавычки"},
        BadFile{"value_right_of_header", "a.csv", "index;name\nG;a;b\n", 2, 3, "правее последнего столбца"},
        BadFile{"value_under_empty_header", "a.csv", "index;;mode\nG;x;online\n", 2, 2, "столбце без заголовка"},
        BadFile{"line_after_multiline_name", "a.csv", "index;name;mode\nG;\"a\nb\nc\";online\nH;;slow\n", 5, 3,
                "«slow»"},
        BadFile{"header_only", "a.csv", kHeader, 1, 0, "нет ни одного контроллера"},
        BadFile{"empty_file", "a.csv", "", 0, 0, "файл пуст"},
        BadFile{"utf16", "a.csv", std::string("\xFF\xFEi\0n\0", 6), 0, 0, "UTF-16"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Json, BadPlanFile,
    ::testing::Values(
        BadFile{"missing_comma", "a.json", "{\"controllers\": [\n  {\"index\": \"G\"}\n  {\"index\": \"H\"}]}", 3, 3,
                "ожидалась «,» или «]»"},
        BadFile{"unclosed_string", "a.json", "{\"site\": \"Дом\n", 1, 14, "управляющий символ"},
        BadFile{"trailing_text", "a.json", "{\"controllers\": [{\"index\": \"G\"}]} x", 1, 35, "ещё текст"},
        BadFile{"unknown_key", "a.json", "{\"controllers\": [\n {\"index\": \"G\",\n  \"mod\": \"online\"}]}", 3, 3,
                "неизвестное поле «mod»"},
        BadFile{"unknown_top_key", "a.json", "{\"sites\": \"x\", \"controllers\": [{\"index\": \"G\"}]}", 1, 2,
                "неизвестное поле «sites»"},
        BadFile{"preset_7", "a.json", "{\"controllers\": [{\"index\": \"Ж\", \"preset\": 7}]}", 1, 43,
                "неверный стандартный набор"},
        BadFile{"card_as_number", "a.json", "{\"controllers\": [{\"index\": \"G\", \"master_card\": 12345678}]}", 1, 48,
                "нужна строка"},
        BadFile{"five_relays", "a.json", "{\"controllers\": [{\"index\": \"G\", \"relay\": [1, 1, 1, 1, 1]}]}", 1, 42,
                "четырёх значений"},
        BadFile{"relay_bad_value", "a.json", "{\"controllers\": [{\"index\": \"G\", \"relay\": [1, \"2,5\"]}]}", 1, 46,
                "relay2: «2,5»"},
        BadFile{"no_index", "a.json", "{\"controllers\": [{\"index\": \"G\"},\n   {\"name\": \"x\"}]}", 2, 4,
                "не указан индекс"},
        BadFile{"index_twice", "a.json", "{\"controllers\": [{\"index\": \"G\"}, {\"index\": \"G\"}]}", 1, 44,
                "уже есть в плане"},
        BadFile{"not_an_object", "a.json", "[{\"index\": \"G\"}]", 1, 1, "объектом"},
        BadFile{"no_controllers", "a.json", "{\"site\": \"x\"}", 1, 1, "нет списка «controllers»"},
        BadFile{"empty_list", "a.json", "{\"controllers\": []}", 1, 17, "нет ни одного контроллера"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlanReader, TellsEveryErrorOfTheFileAtOnce) {
    const PlanReadResult result = ReadPlanBytes(kHeader + "G;;9\nH;;;slow\nG\n", "a.csv");
    EXPECT_FALSE(result.plan);
    ASSERT_EQ(result.errors.size(), 3u) << ErrorsText(result);
    EXPECT_EQ(PlanErrorText(result.errors[0]).rfind("строка 2, столбец 3: preset: «9»", 0), 0u) << ErrorsText(result);
    EXPECT_EQ(PlanErrorText(result.errors[1]).rfind("строка 3, столбец 4: mode: «slow»", 0), 0u);
    EXPECT_EQ(PlanErrorText(result.errors[2]).rfind("строка 4, столбец 1: index: контроллер G", 0), 0u);
}

TEST(PlanReader, StopsAtItsMostErrorsWhereverTheyStand) {
    // Unknown header columns, text after closing quotes, bad rows: each kind
    // past the limit gives the first errors and one line that says so.
    std::string unknownColumns = "index";
    for (int c = 0; c < 200; ++c) unknownColumns += ";x" + std::to_string(c);
    std::string textAfterQuotes = "index;name\n";
    for (int r = 0; r < 200; ++r) textAfterQuotes += "G;\"a\"b\n";
    std::string badRows = kHeader;
    for (int r = 0; r < 200; ++r) badRows += "G;;9\n";
    for (const std::string& file : {unknownColumns, textAfterQuotes, badRows}) {
        const PlanReadResult result = ReadPlanBytes(file, "a.csv");
        EXPECT_FALSE(result.plan);
        ASSERT_EQ(result.errors.size(), kMaxPlanErrors + 1) << file.substr(0, 40);
        EXPECT_EQ(result.errors.back().message, "слишком много ошибок; показаны первые 50");
        EXPECT_EQ(result.errors.front().line, file == unknownColumns ? 1 : 2);
    }
}

TEST(PlanReader, ColumnsOfJsonCountCharactersNotBytes) {
    // "Д", "в", "е", "р", "ь" take two bytes each in UTF-8; the bad value
    // stands at the 28th character of its line.
    const PlanReadResult result = ReadPlanBytes(
        "{\"site\": \"Ждд\", \"controllers\": [\n"
        "{\"name\": \"Дверь\", \"index\": \"?\"}]}",
        "a.json");
    ASSERT_EQ(result.errors.size(), 1u) << ErrorsText(result);
    EXPECT_EQ(result.errors[0].line, 2);
    EXPECT_EQ(result.errors[0].column, 28);
}

TEST(PlanTemplate, BothFormsReadBackAsTheirExample) {
    const Row example{"G", "Главный вход", "2", "offline", {"3.0", "", "", ""}, "0012345678"};
    const PlanReadResult csv = ReadPlanBytes(PlanCsvTemplate(), "t.csv");
    ASSERT_TRUE(csv.plan) << ErrorsText(csv);
    EXPECT_EQ(Rows(*csv.plan), std::vector<Row>{example});
    EXPECT_EQ(PlanCsvTemplate().rfind(kBom, 0), 0u) << "spreadsheets need the BOM to see UTF-8";
    const PlanReadResult json = ReadPlanBytes(PlanJsonTemplate(), "t.json");
    ASSERT_TRUE(json.plan) << ErrorsText(json);
    EXPECT_EQ(Rows(*json.plan), std::vector<Row>{example});
}

TEST(PlanTemplate, IsWrittenOnceAndNeverOverwritesAFile) {
    test::TempDir dir;
    const auto csv = dir.path() / "new.csv";
    EXPECT_EQ(WritePlanTemplate(csv), "");
    const PlanReadResult read = ReadPlanFile(csv);
    ASSERT_TRUE(read.plan) << ErrorsText(read);
    EXPECT_EQ(read.plan->site, "new");
    const std::string again = WritePlanTemplate(csv);
    EXPECT_NE(again.find("уже есть"), std::string::npos) << again;
    EXPECT_EQ(WritePlanTemplate(dir.path() / "new.JSON"), "");
    EXPECT_TRUE(ReadPlanFile(dir.path() / "new.JSON").plan);
    EXPECT_NE(WritePlanTemplate(dir.path() / "missing" / "x.csv"), "");
}

TEST(PlanWriter, CsvAndJsonKeepEveryFieldThroughAReadBack) {
    Plan plan;
    plan.site = "Объект \"А\"";
    PlannedController a;
    a.index = kZhe;
    a.name = "Дверь; \"склад\"";
    a.preset = Preset::TurnstileWithConfirmation;
    a.mode = Mode::Autonomous;
    a.relayTenths = {1, std::nullopt, 255, 25};
    a.relayText = {"0.1", "", "25.5", "2.5"};
    a.masterCard = "00AABBCCDD";
    PlannedController b;
    b.index = 'G';
    plan.rows = {a, b};
    for (const char* name : {"p.csv", "p.json"}) {
        const std::string bytes = std::string(name) == "p.csv" ? WritePlanCsv(plan) : WritePlanJson(plan);
        const PlanReadResult read = ReadPlanBytes(bytes, name);
        ASSERT_TRUE(read.plan) << name << "\n" << ErrorsText(read);
        EXPECT_EQ(Rows(*read.plan), Rows(plan)) << name;
    }
    EXPECT_EQ(ReadPlanBytes(WritePlanJson(plan), "p.json").plan->site, plan.site);
}

}  // namespace
}  // namespace tulex::plan
