// LPR jobs into LPRng's lpd, started by the test on 127.0.0.1.
#include "QlnkTestSupport.h"

#include "tests/support/LpdServer.h"

using namespace qlnk_test;

namespace {

constexpr uint16_t kLpdPort = 5515;

void SendJob(const std::vector<uint8_t> &data, uint32_t timeoutMs, int32_t expectedStatus, uint32_t expectedSent)
{
    int32_t status = 0;
    auto context = NetContext(QLNK_PORT_TCP_LPR, kLoopback, kLpdPort, 2000);
    EXPECT_QLNK(QLNK_Open(&context, &status), QLNK_OK);
    uint32_t sent = 0;
    EXPECT_QLNK(QLNK_SendData(&context.netSocket, data.data(), uint32_t(data.size()), &sent, QLNK_PORT_TCP_LPR,
                              timeoutMs, &status),
                expectedStatus);
    EXPECT_EQ(sent, expectedSent);
    EXPECT_QLNK(QLNK_CloseComm(&context.netSocket, QLNK_PORT_TCP_LPR, &status), QLNK_OK);
}

}  // namespace

TEST(QlnkLpd, JobArrivesWithEveryByteValue)
{
    testing_support::LpdServer lpd(kLpdPort);
    ASSERT_TRUE(lpd.running()) << testing_support::TempDir::Read(lpd.log());
    const auto data = AllByteValues(8);
    ASSERT_NO_FATAL_FAILURE(SendJob(data, 3000, QLNK_OK, uint32_t(data.size() + 1)));

    // The queue prints a little after the job is in.
    EXPECT_EQ(lpd.WaitForOutput(data.size(), milliseconds(15000)), data);
    const auto job = lpd.WaitForJob(356, milliseconds(5000));
    ASSERT_TRUE(job.has_value());
    EXPECT_NE(job->find("\nP=qlnk1\n"), std::string::npos) << *job;
    EXPECT_NE(job->find("\nH=rollvan\n"), std::string::npos) << *job;
    EXPECT_NE(job->find("\nfilenames=test.bin\n"), std::string::npos) << *job;
    EXPECT_NE(job->find("\nsize=" + std::to_string(data.size()) + "\n"), std::string::npos) << *job;
}

TEST(QlnkLpd, TwoJobsInARowBothArrive)
{
    testing_support::LpdServer lpd(kLpdPort);
    ASSERT_TRUE(lpd.running());
    const std::vector<uint8_t> first = {'f', 'i', 'r', 's', 't', '\n'};
    const std::vector<uint8_t> second = {0x1B, 0x40, 0x00, 0xFF, 0x0A};
    ASSERT_NO_FATAL_FAILURE(SendJob(first, 3000, QLNK_OK, uint32_t(first.size() + 1)));
    EXPECT_EQ(lpd.WaitForOutput(first.size(), milliseconds(15000)).size(), first.size());
    ASSERT_NO_FATAL_FAILURE(SendJob(second, 3000, QLNK_OK, uint32_t(second.size() + 1)));
    std::vector<uint8_t> both = first;
    both.insert(both.end(), second.begin(), second.end());
    EXPECT_EQ(lpd.WaitForOutput(both.size(), milliseconds(15000)), both);
    // The repeated job number is renumbered by the server.
    EXPECT_TRUE(lpd.WaitForJob(357, milliseconds(5000)).has_value());
}

// LPRng reads a data file announced with count 0 up to the end of the connection, so it holds
// back the last acknowledgement: the job ends at its time-out, and the server keeps the one
// zero octet it got once the link is closed.
TEST(QlnkLpd, EmptyJobIsTakenWhenTheLinkCloses)
{
    testing_support::LpdServer lpd(kLpdPort);
    ASSERT_TRUE(lpd.running());
    ASSERT_NO_FATAL_FAILURE(SendJob({}, 500, QLNK_E_TIMEOUT, 1));
    const auto job = lpd.WaitForJob(356, milliseconds(15000));
    ASSERT_TRUE(job.has_value());
    EXPECT_NE(job->find("\nsize=1\n"), std::string::npos) << *job;
    EXPECT_EQ(lpd.WaitForOutput(1, milliseconds(15000)), std::vector<uint8_t>{0x00});
}
