// The report of a plan run, checked by parsing it: the HTML with libxml2's
// HTML parser (no errors, the tables and cells where a reader looks for
// them, nothing fetched from outside, text escaped), the JSON with a JSON
// parser.

#include <gtest/gtest.h>
#include <libxml/HTMLparser.h>
#include <libxml/xpath.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "plan/Report.h"
#include "tests/plan/PlanRunFixture.h"

namespace tulex::test {
namespace {

using plan::RowState;

// A parsed HTML document and the errors its parser reported.
class Html {
public:
    explicit Html(const std::string& text) {
        xmlSetStructuredErrorFunc(&errors, [](void* sink, xmlErrorPtr e) {
            static_cast<std::vector<std::string>*>(sink)->push_back(std::to_string(e->line) + ": " + e->message);
        });
        doc_.reset(htmlReadMemory(text.data(), static_cast<int>(text.size()), "report.html", "UTF-8",
                                  HTML_PARSE_NONET | HTML_PARSE_NOBLANKS));
        xmlSetStructuredErrorFunc(nullptr, nullptr);
    }
    bool ok() const { return doc_ != nullptr; }

    // The text of every node the XPath expression selects.
    std::vector<std::string> Texts(const std::string& xpath) const {
        std::vector<std::string> out;
        std::unique_ptr<xmlXPathContext, decltype(&xmlXPathFreeContext)> ctx(xmlXPathNewContext(doc_.get()),
                                                                             xmlXPathFreeContext);
        std::unique_ptr<xmlXPathObject, decltype(&xmlXPathFreeObject)> result(
            xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(xpath.c_str()), ctx.get()), xmlXPathFreeObject);
        if (!result || !result->nodesetval) return out;
        for (int i = 0; i < result->nodesetval->nodeNr; ++i) {
            xmlChar* content = xmlNodeGetContent(result->nodesetval->nodeTab[i]);
            out.emplace_back(content ? reinterpret_cast<const char*>(content) : "");
            xmlFree(content);
        }
        return out;
    }
    std::size_t Count(const std::string& xpath) const { return Texts(xpath).size(); }
    std::string Text(const std::string& xpath) const {
        const auto texts = Texts(xpath);
        return texts.empty() ? "<none>" : texts.front();
    }

    std::vector<std::string> errors;

private:
    struct Free {
        void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
    };
    std::unique_ptr<xmlDoc, Free> doc_;
};

// The report of an apply on the in-memory line: one row done from the
// factory index, one matched, one refused, one skipped, one with a name
// that holds markup characters.
class PlanReport : public PlanRunFixture {
protected:
    plan::RunReport ApplyAndReport() {
        controllers.Add(kG, DoorRegisters());
        controllers.Add(kH);
        controllers.Change(kH, [](sim::ControllerBehaviour& b) { b.refusesWrites = true; });
        controllers.Add(kFactory);
        const auto plan =
            MakePlan({Row(kG).Name("Главный <b>вход</b> & склад").Preset(2), Row(kH).Name("Турникет").Preset(3),
                      Row(kZhe).Name("Касса").Preset(5).Relay(2, "2.5").Card("00001A2B3C")},
                     "Объект «Север»");
        auto results = Run(plan, Apply(kFactory));
        plan::RunReport report;
        report.task = plan::Task::Apply;
        report.date = "2024-05-17 14:03";
        report.tool = "ТУЛЕКС 1.8";
        report.port = "SIM1";
        report.speed = "9600";
        report.planFile = "север.csv";
        report.plan = plan;
        report.results = results;
        report.summary = *observer.summary;
        report.map = session->map().Take();
        return report;
    }
};

TEST_F(PlanReport, HtmlParsesAndHoldsThePlanTheResultsAndTheMap) {
    const plan::RunReport report = ApplyAndReport();
    ASSERT_EQ(report.results.at(0).state, RowState::Matched);
    ASSERT_EQ(report.results.at(1).state, RowState::Failed);
    ASSERT_EQ(report.results.at(2).state, RowState::Done);
    const Html html(plan::ReportHtml(report));
    ASSERT_TRUE(html.ok());
    EXPECT_TRUE(html.errors.empty()) << ::testing::PrintToString(html.errors);

    EXPECT_EQ(html.Text("//title"), "Пусконаладка линии по плану: Объект «Север»");
    EXPECT_EQ(html.Text("//h1"), "Пусконаладка линии по плану");
    EXPECT_EQ(html.Text("//table[@id='info']//tr[th='Объект']/td"), "Объект «Север»");
    EXPECT_EQ(html.Text("//table[@id='info']//tr[th='Дата']/td"), "2024-05-17 14:03");
    EXPECT_EQ(html.Text("//table[@id='info']//tr[th='Программа']/td"), "ТУЛЕКС 1.8");
    EXPECT_EQ(html.Text("//table[@id='info']//tr[th='Порт']/td"), "SIM1, 9600 бит/с");
    EXPECT_EQ(html.Text("//table[@id='info']//tr[th='План']/td"), "север.csv");
    EXPECT_EQ(html.Text("//table[@id='info']//tr[th='Итог']/td"), "выполнено 1, совпадает 1, ошибка 1, пропущено 0");

    // One table row per plan row, coloured by its state.
    EXPECT_EQ(html.Texts("//table[@id='rows']/tbody/tr/@class"),
              (std::vector<std::string>{"matched", "failed", "done"}));
    EXPECT_EQ(html.Texts("//table[@id='rows']/tbody/tr/td[2]"), (std::vector<std::string>{"G", "H", "Ж"}));
    EXPECT_EQ(html.Texts("//table[@id='rows']/tbody/tr/td[3]"),
              (std::vector<std::string>{"Главный <b>вход</b> & склад", "Турникет", "Касса"}));
    EXPECT_EQ(html.Count("//b"), 0u) << "a name is text, never markup";
    EXPECT_EQ(html.Text("//table[@id='rows']/tbody/tr[3]/td[4]"), "5 — Регистрационный терминал");
    EXPECT_EQ(html.Text("//table[@id='rows']/tbody/tr[3]/td[7]"), "2.5");
    EXPECT_EQ(html.Texts("//table[@id='rows']/tbody/tr/td[11]"),
              (std::vector<std::string>{"совпадает", "ошибка", "выполнено"}));
    EXPECT_EQ(html.Text("//table[@id='rows']/tbody/tr[2]/td[12]"),
              "Стандартный набор: Контроллер не принял запись (ответ «#»).");
    EXPECT_EQ(html.Text("//table[@id='rows']/tbody/tr[3]/td[12]"), "индекс получен с ь. ");

    // What the first reads found different.
    EXPECT_EQ(html.Texts("//table[@id='differences']/tbody/tr/td[1]"), (std::vector<std::string>{"H", "Ж", "Ж"}));
    EXPECT_EQ(html.Texts("//table[@id='differences']/tbody/tr/td[3]"),
              (std::vector<std::string>{"Стандартный набор", "Стандартный набор", "Реле 2"}));
    EXPECT_EQ(html.Texts("//table[@id='differences']/tbody/tr[3]/td"),
              (std::vector<std::string>{"Ж", "Касса", "Реле 2", "2.5", "2.0"}));

    // The parameters read back: the done row shows what it holds now.
    EXPECT_EQ(html.Count("//table[@id='parameters']/tbody/tr"), 3u);
    EXPECT_EQ(html.Texts("//table[@id='parameters']/tbody/tr[3]/td"),
              (std::vector<std::string>{"Ж", "ОРТИН-22 версия 1.2", "on-line", "1.5", "2.5", "3.0", "1.0", "2.0",
                                        "+ + + + + + + +", "+ + + + + + + +", "Нет", "Нет", "Нет", "00001A2B3C"}));

    // The map: 182 cells, those heard green (H's error reply took it off
    // the map, as any error reply does).
    EXPECT_EQ(html.Count("//table[@id='map']//td"), 182u);
    EXPECT_EQ(html.Count("//table[@id='map']//tr"), 13u);
    EXPECT_EQ(html.Texts("//table[@id='map']//td[@class='present']"), (std::vector<std::string>{"G", "Ж"}));
}

TEST_F(PlanReport, HtmlIsSelfContainedAndPrintsOnA4) {
    const std::string text = plan::ReportHtml(ApplyAndReport());
    const Html html(text);
    ASSERT_TRUE(html.ok());
    for (const char* outside : {"//script", "//link", "//img", "//iframe", "//@src", "//@href"})
        EXPECT_EQ(html.Count(outside), 0u) << outside;
    EXPECT_EQ(html.Text("//meta/@charset"), "utf-8");
    const std::string style = html.Text("//head/style");
    EXPECT_NE(style.find("@page { size: A4;"), std::string::npos) << style;
    EXPECT_NE(style.find("thead { display: table-header-group; }"), std::string::npos)
        << "headers repeat on every printed page";
    EXPECT_EQ(text.find("url("), std::string::npos);
}

TEST_F(PlanReport, AnAuditWithoutAPlanListsTheControllersAndTheirParameters) {
    controllers.Add(kG, DoorRegisters());
    session->map().AddIndex(kG, MapSet::Present);
    session->map().AddIndex(kH, MapSet::ReplyOnly);
    plan::RunReport report;
    report.task = plan::Task::Audit;
    report.planned = false;
    report.plan = plan::PlanOfPresentControllers(session->map());
    report.results = Run(report.plan, Audit());
    report.summary = *observer.summary;
    report.map = session->map().Take();
    const Html html(plan::ReportHtml(report));
    ASSERT_TRUE(html.ok());
    EXPECT_TRUE(html.errors.empty()) << ::testing::PrintToString(html.errors);
    EXPECT_EQ(html.Text("//h1"), "Проверка линии");
    EXPECT_EQ(html.Count("//table[@id='info']//tr[th='План']"), 0u);
    EXPECT_EQ(html.Count("//*[@id='differences']"), 0u);
    EXPECT_EQ(html.Text("//table[@id='parameters']/tbody/tr/td[2]"), "ОРТИН-31 версия 8.5");
    EXPECT_EQ(html.Text("//table[@id='parameters']/tbody/tr/td[9]"), "+ + — — — + + —");
    EXPECT_EQ(html.Texts("//table[@id='map']//td[@class='reply']"), (std::vector<std::string>{"H"}));
}

TEST_F(PlanReport, JsonHoldsTheSameForMachines) {
    const plan::RunReport report = ApplyAndReport();
    const auto json = nlohmann::json::parse(plan::ReportJson(report));
    EXPECT_EQ(json.at("task"), "apply");
    EXPECT_EQ(json.at("site"), "Объект «Север»");
    EXPECT_EQ(json.at("port"), "SIM1");
    EXPECT_EQ(json.at("summary"),
              nlohmann::json({{"done", 1}, {"matched", 1}, {"failed", 1}, {"skipped", 0}, {"differs", 0}}));
    const auto& rows = json.at("rows");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].at("state"), "failed");
    EXPECT_EQ(rows[1].at("step"), "preset");
    EXPECT_EQ(rows[1].at("answer"), "#");
    EXPECT_EQ(rows[2].at("index"), "Ж");
    EXPECT_EQ(rows[2].at("renamed_from"), "ь");
    EXPECT_EQ(rows[2].at("written"), nlohmann::json({"index", "preset", "relay2"}));
    EXPECT_EQ(rows[2].at("planned").at("relay"), nlohmann::json({nullptr, 2.5, nullptr, nullptr}));
    EXPECT_EQ(rows[2].at("parameters").at("registers").at("11"), "19");
    EXPECT_EQ(rows[2].at("master_card"), "00001A2B3C");
    EXPECT_EQ(json.at("map").at("present"), nlohmann::json({"G", "Ж"}));
}

}  // namespace
}  // namespace tulex::test
