// tulex-cli plan end to end: the program run as a child process against
// tulex-sim, at its real time limits. A line with controllers already at
// their indexes, new ones connected one by one at a factory index, one that
// answers "#" to every write and one that goes silent mid-plan; a second
// apply writes nothing; the audit shows the differences; a plan that does
// not read sends nothing at all.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/CliProcess.h"
#include "tests/support/LineFrames.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

namespace tulex::test {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

class PlanCli : public ::testing::Test {
protected:
    void StartSim(const std::string& scenario) {
        const auto scenarioPath = dir.path() / "scenario.json";
        std::ofstream(scenarioPath) << scenario;
        tracePath = dir.path() / "trace";
        sim = std::make_unique<sim::test::SimProcess>(
            std::vector<std::string>{"--scenario", scenarioPath.string(), "--trace", tracePath.string(), "--no-stdin"},
            dir.path().string());
        const std::string first = sim->FirstLine();
        ASSERT_FALSE(first.empty());
        port = first.substr(first.find(' ') + 1);
    }
    std::filesystem::path WritePlan(const std::string& name, const std::string& text) {
        const auto path = dir.path() / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    CliRun Plan(std::vector<std::string> args) {
        std::vector<std::string> all{"-p", port, "plan"};
        all.insert(all.end(), args.begin(), args.end());
        return RunCli(all);
    }
    // The commands of the requests the PC sent, from the simulator's trace.
    std::vector<std::string> SentCommands() {
        std::this_thread::sleep_for(20ms);  // the last lines reach the file
        std::istringstream trace(ReadFile(tracePath));
        std::string line;
        std::string bytes;
        while (std::getline(trace, line)) {
            const auto at = line.find(" PC>  ");
            if (at == std::string::npos) continue;
            std::istringstream hex(line.substr(at + 6, line.find("  |", at + 6) - (at + 6)));
            unsigned byte = 0;
            while (hex >> std::hex >> byte) bytes += static_cast<char>(byte);
        }
        std::vector<std::string> commands;
        for (const auto& frame : Requests(bytes)) commands.push_back(frame.command);
        return commands;
    }
    static std::vector<std::string> Writes(const std::vector<std::string>& commands) {
        std::vector<std::string> writes;
        for (const auto& c : commands)
            if (c.starts_with("!") || c.starts_with("$0") || c == "$4") writes.push_back(c);
        return writes;
    }
    // One JSON object per line.
    static std::vector<json> Objects(const std::string& out) {
        std::vector<json> objects;
        std::istringstream lines(out);
        std::string line;
        while (std::getline(lines, line)) objects.push_back(json::parse(line));
        return objects;
    }

    TempDir dir;
    std::filesystem::path tracePath;
    std::unique_ptr<sim::test::SimProcess> sim;
    std::string port;
};

// G is set already; H needs writes; two new controllers wait at ь.
const char* const kCleanLine = R"({"controllers": [
    {"index": "G", "preset": "door-sensor"},
    {"index": "H"},
    {"index": "0xFC"},
    {"index": "0xFC", "queued": true}]})";

const char* const kCleanPlan =
    "index;name;preset;mode;relay1;relay2;relay3;relay4;master_card\r\n"
    "G;Главный вход;2;offline;;;;;\r\n"
    "H;Турникет;3;online;0.5;;;;\r\n"
    "Ж;Касса;5;;;;;;\r\n"
    "И;Склад;1;offline;;;;4.0;\r\n";

TEST_F(PlanCli, ApplyTakesNewControllersAndASecondApplyWritesNothing) {
    StartSim(kCleanLine);
    const auto plan = WritePlan("site.csv", kCleanPlan);
    const auto report = dir.path() / "report.html";
    CliRun run = Plan({"apply", plan.string(), "--factory-index", "ь", "--report", report.string(), "--json"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    const auto objects = Objects(run.out);
    std::vector<json> rows;
    for (const auto& o : objects)
        if (o.at("event") == "row") rows.push_back(o);
    ASSERT_EQ(rows.size(), 4u) << run.out;
    EXPECT_EQ(rows[0].at("state"), "matched");
    EXPECT_EQ(rows[1].at("state"), "done");
    EXPECT_EQ(rows[1].at("written"), json({"preset", "mode"}));
    EXPECT_EQ(rows[2].at("index"), "Ж");
    EXPECT_EQ(rows[2].at("state"), "done");
    EXPECT_EQ(rows[2].at("renamed_from"), "ь");
    EXPECT_EQ(rows[3].at("written"), json({"index", "relay4"}));
    EXPECT_EQ(objects.back(),
              json({{"event", "summary"}, {"done", 3}, {"matched", 1}, {"failed", 0}, {"skipped", 0}, {"differs", 0}}));
    // The operator was asked for each new controller.
    std::size_t asked = 0;
    for (const auto& o : objects)
        if (o.at("event") == "progress" && o.at("text").get<std::string>().starts_with("Подключите")) ++asked;
    EXPECT_EQ(asked, 2u);
    const auto firstRun = SentCommands();
    EXPECT_EQ(Writes(firstRun), (std::vector<std::string>{"!134710051105160517051214182F191F", "!1307", "$0\xC6\xC6",
                                                          "!1300100F110F161E170A121418FF19FF", "$0\xC8\xC8", "!1728"}));

    // The report: HTML and JSON beside it.
    const std::string html = ReadFile(report);
    EXPECT_NE(html.find("<h1>Пусконаладка линии по плану</h1>"), std::string::npos);
    const json reportJson = json::parse(ReadFile(dir.path() / "report.json"));
    EXPECT_EQ(reportJson.at("site"), "site");
    EXPECT_EQ(reportJson.at("plan_file"), "site.csv");
    EXPECT_EQ(reportJson.at("rows").size(), 4u);

    run = Plan({"apply", plan.string(), "--factory-index", "ь"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.out,
              "G «Главный вход»: совпадает\n"
              "H «Турникет»: совпадает\n"
              "Ж «Касса»: совпадает\n"
              "И «Склад»: совпадает\n"
              "Итог: выполнено 0, совпадает 4, ошибка 0, пропущено 0, отличается 0\n");
    const auto secondRun = SentCommands();
    EXPECT_TRUE(Writes({secondRun.begin() + static_cast<std::ptrdiff_t>(firstRun.size()), secondRun.end()}).empty());
}

TEST_F(PlanCli, AControllerThatRefusesWritesAndOneGoneSilentFailOnlyTheirRows) {
    StartSim(R"({"controllers": [
        {"index": "G", "refuses_writes": true},
        {"index": "H", "silent_after": 2},
        {"index": "Ж", "preset": "door-sensor"}]})");
    const auto plan = WritePlan("p.csv", "index,preset\nG,2\nH,2\nЖ,2\n");
    const CliRun run = Plan({"apply", plan.string()});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out,
              "G: ошибка — Стандартный набор: Контроллер не принял запись (ответ «#»).\n"
              "H: ошибка — Стандартный набор: Время ожидания ответа истекло.\n"
              "Ж: совпадает\n"
              "Итог: выполнено 0, совпадает 1, ошибка 2, пропущено 0, отличается 0\n");
}

TEST_F(PlanCli, AuditShowsTheDifferencesFieldByField) {
    StartSim(R"({"controllers": [
        {"index": "G", "preset": "door-sensor", "registers": {"13": "03", "17": "05"}},
        {"index": "H", "preset": "turnstile"}]})");
    const auto plan = WritePlan("p.json", R"({"site": "Цех", "controllers": [
        {"index": "G", "preset": 2, "mode": "offline", "relay": [null, null, null, 2.0], "master_card": "00001A2B3C"},
        {"index": "H", "preset": 3}]})");
    CliRun run = Plan({"audit", plan.string()});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out,
              "G: отличается\n"
              "  Режим работы: по плану offline, в контроллере online\n"
              "  Реле 4: по плану 2.0, в контроллере 0.5\n"
              "H: совпадает\n"
              "Итог: выполнено 0, совпадает 1, ошибка 0, пропущено 0, отличается 1\n");
    EXPECT_TRUE(Writes(SentCommands()).empty());
    run = Plan({"audit", plan.string(), "--json"});
    const auto objects = Objects(run.out);
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0].at("differences"), json::parse(R"([{"field": "mode", "planned": "offline", "found": "online"},
                              {"field": "relay4", "planned": "2.0", "found": "0.5"}])"));
}

TEST_F(PlanCli, AuditWithoutAPlanReadsEveryControllerTheSearchFinds) {
    StartSim(R"({"line": {"absent": "error"}, "controllers": [{"index": "G", "type": "65"}, {"index": "ь"}]})");
    const CliRun run = Plan({"audit", "--json"});
    EXPECT_EQ(run.status, 0) << run.err;
    const auto objects = Objects(run.out);
    ASSERT_EQ(objects.size(), 3u) << run.out;
    EXPECT_EQ(objects[0].at("index"), "G");
    EXPECT_EQ(objects[0].at("parameters").at("type"), "ОРТИН-31 версия 8.5");
    EXPECT_EQ(objects[1].at("index"), "ь");
    EXPECT_EQ(objects[1].at("parameters").at("registers").at("13"), "40");
}

TEST_F(PlanCli, APlanThatDoesNotReadSendsNothing) {
    StartSim(kCleanLine);
    const auto bad = WritePlan("bad.csv", "index;mode\nG;online\nH;fast\n\xFF;offline\n");
    CliRun run = Plan({"apply", bad.string()});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("bad.csv: строка 3, столбец 2: mode: «fast» — неверный режим"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("bad.csv: строка 4, столбец 1: index: «я» — неверный индекс"), std::string::npos) << run.err;
    const auto good = WritePlan("good.csv", kCleanPlan);
    run = Plan({"apply", good.string(), "--factory-index", "H"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("the factory index H is a planned index (line 3)"), std::string::npos) << run.err;
    run = Plan({"apply", good.string(), "--factory-index", "F"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(SentCommands().empty());
}

TEST_F(PlanCli, TemplateIsWrittenWithoutAPortAndReadsBack) {
    const auto csv = dir.path() / "t.csv";
    CliRun run = RunCli({"plan", "template", csv.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(csv),
              "\xEF\xBB\xBFindex;name;preset;mode;relay1;relay2;relay3;relay4;master_card\r\n"
              "G;Главный вход;2;offline;3.0;;;;0012345678\r\n");
    run = RunCli({"plan", "template", csv.string()});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("уже есть"), std::string::npos);
    const auto jsonPath = dir.path() / "t.json";
    EXPECT_EQ(RunCli({"plan", "template", jsonPath.string()}).status, 0);
    EXPECT_EQ(json::parse(ReadFile(jsonPath)).at("controllers").at(0).at("relay"),
              json({3.0, nullptr, nullptr, nullptr}));
    EXPECT_EQ(RunCli({"plan"}).status, 2);
    EXPECT_EQ(RunCli({"plan", "apply"}).status, 2);
}

}  // namespace
}  // namespace tulex::test
