// The report as one HTML file: the styles inside, no scripts, no pictures,
// nothing fetched; tables that break across A4 pages with their headers
// repeated.

#include <ctime>

#include "controller/StandardSets.h"
#include "plan/FieldValues.h"
#include "plan/ParameterText.h"
#include "plan/Report.h"

namespace tulex::plan {

namespace {

std::string Escape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

constexpr const char* kStyle = R"(
@page { size: A4; margin: 12mm; }
body { font-family: "DejaVu Sans", "Segoe UI", Arial, sans-serif; font-size: 9pt; color: #000; background: #fff; }
h1 { font-size: 14pt; margin: 0 0 6pt 0; }
h2 { font-size: 11pt; margin: 14pt 0 4pt 0; page-break-after: avoid; }
table { border-collapse: collapse; width: 100%; margin-bottom: 4pt; }
th, td { border: 1px solid #888; padding: 2pt 4pt; text-align: left; vertical-align: top; }
th { background: #eee; }
thead { display: table-header-group; }
tr { page-break-inside: avoid; }
table.info { width: auto; }
table.info th { background: none; border: none; padding-right: 12pt; }
table.info td { border: none; }
td.name { white-space: pre-line; }
tr.done, tr.matched { background: #ccff99; }
tr.failed { background: #ff6600; }
tr.differs { background: #ffff66; }
tr.skipped { background: #cccccc; }
table.map { width: auto; }
table.map td { width: 1.8em; text-align: center; padding: 1pt; }
table.map td.present { background: #30d21e; }
table.map td.reply { background: #999999; }
@media print { body { font-size: 8pt; } }
)";

std::string Cell(const std::string& text, const std::string& cls = {}) {
    return (cls.empty() ? "<td>" : "<td class=\"" + cls + "\">") + Escape(text) + "</td>";
}

std::string HeaderRow(std::initializer_list<const char*> names) {
    std::string out = "<thead><tr>";
    for (const char* name : names) out += std::string("<th>") + name + "</th>";
    return out + "</tr></thead>\n";
}

std::string Title(const RunReport& r) {
    if (!r.planned) return "Проверка линии";
    return r.task == Task::Apply ? "Пусконаладка линии по плану" : "Проверка линии по плану";
}

std::string SummaryText(const RunSummary& s, Task task) {
    std::string text;
    if (task == Task::Apply) text = "выполнено " + std::to_string(s.done) + ", ";
    text += "совпадает " + std::to_string(s.matched);
    if (task == Task::Audit) text += ", отличается " + std::to_string(s.differs);
    text += ", ошибка " + std::to_string(s.failed) + ", пропущено " + std::to_string(s.skipped);
    return text;
}

std::string PresetText(const PlannedController& row) {
    if (!row.preset) return "";
    return PresetValueText(*row.preset) + " — " + StandardSets().at(static_cast<std::size_t>(*row.preset)).caption;
}

std::string NoteText(const RowResult& result) {
    std::string note;
    if (result.renamedFrom) note = "индекс получен с " + IndexUtf8(*result.renamedFrom) + ". ";
    if (!result.step.empty() && (result.state == RowState::Failed || result.state == RowState::Skipped))
        note += StepText(result.step) + ": ";
    note += result.text;
    return note;
}

std::string InfoTable(const RunReport& r) {
    std::string out = "<table class=\"info\" id=\"info\">\n";
    const auto row = [&](const char* name, const std::string& value) {
        out += std::string("<tr><th>") + name + "</th>" + Cell(value) + "</tr>\n";
    };
    row("Объект", r.plan.site);
    row("Дата", r.date);
    row("Программа", r.tool);
    row("Порт", r.port + ", " + r.speed + " бит/с");
    if (r.planned) row("План", r.planFile);
    row("Итог", SummaryText(r.summary, r.task));
    return out + "</table>\n";
}

std::string RowsTable(const RunReport& r) {
    std::string out = "<h2>План и результат</h2>\n<table id=\"rows\">\n";
    out += HeaderRow({"№", "Индекс", "Название", "Стандартный набор", "Режим", "Реле 1, с", "Реле 2, с", "Реле 3, с",
                      "Реле 4, с", "Мастер-карта", "Результат", "Примечание"});
    out += "<tbody>\n";
    for (std::size_t i = 0; i < r.plan.rows.size(); ++i) {
        const PlannedController& row = r.plan.rows[i];
        const RowResult result = i < r.results.size() ? r.results[i] : RowResult{};
        out += std::string("<tr class=\"") + RowStateName(result.state) + "\">";
        out +=
            Cell(std::to_string(i + 1)) + Cell(IndexUtf8(row.index)) + Cell(row.name, "name") + Cell(PresetText(row));
        out += Cell(row.mode ? ModeValueText(*row.mode) : "");
        for (const auto& tenths : row.relayTenths) out += Cell(tenths ? TenthsText(*tenths) : "");
        out += Cell(row.masterCard.value_or("")) + Cell(RowStateText(result.state)) + Cell(NoteText(result));
        out += "</tr>\n";
    }
    return out + "</tbody></table>\n";
}

std::string DifferencesTable(const RunReport& r) {
    std::string out = r.task == Task::Apply ? "<h2>Отличия от плана до записи</h2>\n" : "<h2>Отличия от плана</h2>\n";
    std::string rows;
    for (std::size_t i = 0; i < r.plan.rows.size() && i < r.results.size(); ++i) {
        for (const Difference& d : r.results[i].differences) {
            rows += "<tr>" + Cell(IndexUtf8(r.plan.rows[i].index)) + Cell(r.plan.rows[i].name, "name") +
                    Cell(StepText(d.field)) + Cell(d.planned) + Cell(d.found) + "</tr>\n";
        }
    }
    if (rows.empty()) return out + "<p id=\"differences\">Отличий нет.</p>\n";
    return out + "<table id=\"differences\">\n" +
           HeaderRow({"Индекс", "Название", "Параметр", "По плану", "На линии"}) + "<tbody>\n" + rows +
           "</tbody></table>\n";
}

std::string ParametersTable(const RunReport& r) {
    std::string out = "<h2>Прочитанные параметры</h2>\n<table id=\"parameters\">\n";
    out += HeaderRow({"Индекс", "Тип и версия", "Режим", "Реле 1, с", "Реле 2, с", "Реле 3, с", "Реле 4, с",
                      "Индикация запрета, с", "Входы, ряд 1", "Входы, ряд 2", "Отпускание реле 1 по датчику",
                      "Отпускание реле 2 по датчику", "Блокировка считывателей", "Мастер-карта"});
    out += "<tbody>\n";
    for (std::size_t i = 0; i < r.plan.rows.size() && i < r.results.size(); ++i) {
        const RowResult& result = r.results[i];
        if (!result.parameters) continue;
        const ParameterText t = DescribeParameters(*result.parameters);
        const auto yesNo = [](bool b) { return std::string(b ? "Да" : "Нет"); };
        out += "<tr>" + Cell(IndexUtf8(r.plan.rows[i].index)) + Cell(t.type) + Cell(t.mode);
        for (const auto& relay : t.relays) out += Cell(relay);
        out += Cell(t.prohibition) + Cell(t.inputs1) + Cell(t.inputs2) + Cell(yesNo(t.relay1BySensor)) +
               Cell(yesNo(t.relay2BySensor)) + Cell(yesNo(t.readersBlocked)) + Cell(result.masterCard.value_or(""));
        out += "</tr>\n";
    }
    return out + "</tbody></table>\n";
}

std::string MapTable(const RunReport& r) {
    constexpr std::size_t kColumns = 14;  // 182 indexes: 13 rows of 14
    std::string out = "<h2>Карта линии</h2>\n<p>В линии: " + std::to_string(r.map.present.count()) +
                      "; ответили только положительной посылкой: " + std::to_string(r.map.replyOnly.count()) +
                      ".</p>\n<table class=\"map\" id=\"map\"><tbody>\n";
    const auto& table = LineMap::IndexTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (i % kColumns == 0) out += "<tr>";
        const std::uint8_t index = table[i];
        const std::string cls = r.map.present.test(index) ? "present" : r.map.replyOnly.test(index) ? "reply" : "";
        out += Cell(IndexUtf8(index), cls);
        if (i % kColumns == kColumns - 1 || i + 1 == table.size()) out += "</tr>\n";
    }
    return out + "</tbody></table>\n";
}

}  // namespace

std::string ReportHtml(const RunReport& r) {
    std::string out = "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
    out += Escape(Title(r) + (r.plan.site.empty() ? "" : ": " + r.plan.site)) + "</title>\n<style>";
    out += kStyle;
    out += "</style>\n</head>\n<body>\n<h1>" + Escape(Title(r)) + "</h1>\n";
    out += InfoTable(r);
    out += RowsTable(r);
    if (r.planned) out += DifferencesTable(r);
    out += ParametersTable(r);
    out += MapTable(r);
    return out + "</body>\n</html>\n";
}

std::string LocalDateText() {
    const std::time_t now = std::time(nullptr);
    char text[32] = {};
    if (const std::tm* local = std::localtime(&now)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", local);
    return text;
}

}  // namespace tulex::plan
