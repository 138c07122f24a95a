// The converter's parameter report, decoded from the three data replies.

#include <gtest/gtest.h>

#include <ostream>

#include <string>

#include "converter/ConverterReport.h"
#include "converter/ConverterTransaction.h"

namespace tulex {
namespace {

struct ReportCase {
    const char* name;
    std::string reply;  // line bytes
    const char* version;
    const char* rangeEnd;
    const char* rs232;
    const char* rs485;
    const char* replyTime;
};

std::string Expected(const ReportCase& c) {
    return std::string("Версия: ") + c.version + "\n\nДиапазон опроса: G - " + c.rangeEnd +
           "\n\nСкорость в линии RS232, бит/с: " + c.rs232 + "\n\nСкорость в линии RS485, бит/с: " + c.rs485 +
           "\n\nВремя ожидания ответа от контроллера, мс: " + c.replyTime;
}

// Test lists show the case's name, not its bytes.
void PrintTo(const ReportCase& c, std::ostream* os) { *os << c.name; }

class ConverterReportTable : public ::testing::TestWithParam<ReportCase> {};

TEST_P(ConverterReportTable, DecodesEveryPiece) {
    const ReportCase& c = GetParam();
    EXPECT_EQ(BuildConverterReport(c.reply), Expected(c));
}

// Each row varies what it is named for; the rest stays that of 21C608.
INSTANTIATE_TEST_SUITE_P(Replies, ConverterReportTable,
                         ::testing::Values(
                             // The worked case: bit 3 of the RS232 digit picks the 19200/57600 table.
                             ReportCase{"worked_21C608", "21C608", "S4.3", "Ж", "9600", "19200", "4.5"},
                             // Versions.
                             ReportCase{"version_01", "01C608", "S3.2", "Ж", "9600", "19200", "4.5"},
                             ReportCase{"version_11", "11C608", "S4.1", "Ж", "9600", "19200", "4.5"},
                             ReportCase{"version_20", "20C608", "S4.2", "Ж", "9600", "19200", "4.5"},
                             ReportCase{"version_29", "29C608", "S5.1", "Ж", "9600", "19200", "4.5"},
                             ReportCase{"version_12_unknown", "12C608", "?", "Ж", "9600", "19200", "4.5"},
                             ReportCase{"version_2A_unknown", "2AC608", "?", "Ж", "9600", "19200", "4.5"},
                             ReportCase{"version_10_unknown", "10C608", "?", "Ж", "9600", "19200", "4.5"},
                             // Poll range end: any byte code, in Windows-1251.
                             ReportCase{"range_48_H", "214808", "S4.3", "H", "9600", "19200", "4.5"},
                             ReportCase{"range_FC", "21FC08", "S4.3", "ь", "9600", "19200", "4.5"},
                             ReportCase{"range_lower_case_hex", "21c608", "S4.3", "Ж", "9600", "19200", "4.5"},
                             ReportCase{"range_not_hex", "21ZZ08", "S4.3", "?", "9600", "19200", "4.5"},
                             ReportCase{"range_control_code", "210A08", "S4.3", "?", "9600", "19200", "4.5"},
                             // RS232 digit, bit 3 clear: RS485 from 9600/38400/115200.
                             ReportCase{"rs232_0", "21C600", "S4.3", "Ж", "9600", "9600", "4.5"},
                             ReportCase{"rs232_1", "21C601", "S4.3", "Ж", "19200", "9600", "4.5"},
                             ReportCase{"rs232_2", "21C602", "S4.3", "Ж", "38400", "9600", "4.5"},
                             ReportCase{"rs232_3", "21C603", "S4.3", "Ж", "57600", "9600", "4.5"},
                             ReportCase{"rs232_4_rs485_0", "21C604", "S4.3", "Ж", "115200", "9600", "4.5"},
                             ReportCase{"rs232_4_rs485_1", "21C614", "S4.3", "Ж", "115200", "38400", "?"},
                             ReportCase{"rs232_4_rs485_2", "21C624", "S4.3", "Ж", "115200", "115200", "4.5"},
                             ReportCase{"rs232_4_rs485_3", "21C634", "S4.3", "Ж", "115200", "?", "?"},
                             ReportCase{"rs232_5", "21C605", "S4.3", "Ж", "?", "9600", "4.5"},
                             ReportCase{"rs232_7", "21C607", "S4.3", "Ж", "?", "9600", "4.5"},
                             // Bit 3 set: RS485 from 19200/57600, the RS232 speed from d6 & 7.
                             ReportCase{"rs232_C_rs485_1", "21C61C", "S4.3", "Ж", "115200", "57600", "?"},
                             ReportCase{"rs232_8_rs485_2", "21C628", "S4.3", "Ж", "9600", "?", "4.5"},
                             ReportCase{"rs232_9_rs485_3", "21C639", "S4.3", "Ж", "19200", "?", "?"},
                             // Reply time: the speed digit masked with 9.
                             ReportCase{"time_d5_0", "21C608", "S4.3", "Ж", "9600", "19200", "4.5"},
                             ReportCase{"time_d5_8", "21C688", "S4.3", "Ж", "9600", "19200", "1"},
                             ReportCase{"time_d5_9", "21C698", "S4.3", "Ж", "9600", "57600", "0.5"},
                             ReportCase{"time_d5_1", "21C618", "S4.3", "Ж", "9600", "57600", "?"},
                             ReportCase{"time_d5_6", "21C668", "S4.3", "Ж", "9600", "?", "4.5"},
                             ReportCase{"time_d5_F", "21C6F8", "S4.3", "Ж", "9600", "?", "0.5"},
                             ReportCase{"time_d5_A", "21C6A8", "S4.3", "Ж", "9600", "?", "1"},
                             // A short or damaged reply shows "?" where characters are missing.
                             ReportCase{"speed_digits_missing", "21C6", "S4.3", "Ж", "?", "?", "?"},
                             ReportCase{"speed_digit_not_hex", "21C6G8", "S4.3", "Ж", "9600", "?", "?"},
                             ReportCase{"empty", "", "?", "?", "?", "?", "?"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConverterTransactionReport, EmptiesTheReplyItWasBuiltFrom) {
    ConverterTransaction converterTransaction;
    converterTransaction.AppendReply("21");
    converterTransaction.AppendReply("C6");
    converterTransaction.AppendReply("08");
    EXPECT_EQ(converterTransaction.Report(), BuildConverterReport("21C608"));
    EXPECT_EQ(converterTransaction.ReplyData(), "");
    // A second report has nothing to show.
    EXPECT_EQ(converterTransaction.Report(), BuildConverterReport(""));
}

TEST(ConverterTransactionEvents, OnlyCreatedEventsReceiveSignals) {
    ConverterTransaction converterTransaction;
    converterTransaction.CreateEvents({ConverterReply::Error, ConverterReply::Data});
    EXPECT_FALSE(converterTransaction.EventExists(ConverterReply::Positive));
    converterTransaction.Signal(ConverterReply::Positive);  // a "$" during a read: lost
    converterTransaction.Signal(ConverterReply::Data);
    ASSERT_TRUE(converterTransaction.EventExists(ConverterReply::Data));
    EXPECT_TRUE(converterTransaction.IsSignalled(ConverterReply::Data));
    converterTransaction.CloseEvents();
    EXPECT_FALSE(converterTransaction.EventExists(ConverterReply::Data));
    // A fresh command starts from unsignalled events.
    converterTransaction.CreateEvents({ConverterReply::Positive, ConverterReply::Error, ConverterReply::Data});
    EXPECT_FALSE(converterTransaction.IsSignalled(ConverterReply::Positive));
    EXPECT_FALSE(converterTransaction.IsSignalled(ConverterReply::Data));
}

}  // namespace
}  // namespace tulex
