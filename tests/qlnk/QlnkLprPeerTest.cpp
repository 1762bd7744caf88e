// The LPR job's exact bytes and acknowledgement rule, against peers the test plays.
#include "QlnkTestSupport.h"

#include <future>
#include <thread>

using namespace qlnk_test;

namespace {

const std::string kControlFile = "Hrollvan\nPqlnk1\nfdfA356rollvan\nUdfA356rollvan\nNtest.bin\n";

std::vector<uint8_t> BytesOf(const std::string &text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

// The five pieces of one job carrying data, as they must appear on the wire.
std::vector<std::vector<uint8_t>> ExpectedPieces(const std::vector<uint8_t> &data)
{
    std::vector<uint8_t> last = data;
    last.push_back(0);
    return {
        BytesOf("\x02lp1\n"),
        BytesOf("\x02"
                "56 cfA356rollvan\n"),
        BytesOf(kControlFile + std::string(1, '\0')),
        BytesOf("\x03" + std::to_string(data.size()) + " dfA356rollvan\n"),
        last,
    };
}

// Plays an LPD: reads each expected piece by its length and answers with ack, up to
// answered pieces; after that it only collects whatever else arrives until the link closes.
struct PeerRecord {
    std::vector<std::vector<uint8_t>> pieces;
    std::vector<uint8_t> after;
};

PeerRecord PlayLpd(int listener, std::vector<std::size_t> lengths, std::size_t answered, uint8_t ack)
{
    PeerRecord record;
    auto peer = AcceptWithin(listener, milliseconds(3000));
    if (!peer.valid()) {
        return record;
    }
    for (std::size_t i = 0; i < lengths.size() && i < answered; ++i) {
        record.pieces.push_back(ReadFor(peer.get(), lengths[i], milliseconds(3000)));
        if (send(peer.get(), &ack, 1, MSG_NOSIGNAL) != 1) {
            return record;
        }
    }
    record.after = ReadFor(peer.get(), 1u << 20, milliseconds(1500));
    return record;
}

struct LprLink {
    platform::FileDescriptor listener;
    QLNK_CommContext context{};
};

void OpenLpr(LprLink *link)
{
    uint16_t port = 0;
    link->listener = BoundSocket(SOCK_STREAM, kLoopback, &port);
    ASSERT_TRUE(link->listener.valid());
    link->context = NetContext(QLNK_PORT_TCP_LPR, kLoopback, port, 2000);
    int32_t status = 0;
    EXPECT_QLNK(QLNK_Open(&link->context, &status), QLNK_OK);
}

std::vector<std::size_t> LengthsOf(const std::vector<std::vector<uint8_t>> &pieces)
{
    std::vector<std::size_t> lengths;
    for (const auto &piece : pieces) {
        lengths.push_back(piece.size());
    }
    return lengths;
}

}  // namespace

TEST(QlnkLprWire, JobBytesAreExactlyTheProtocolSteps)
{
    LprLink link;
    ASSERT_NO_FATAL_FAILURE(OpenLpr(&link));
    const auto data = AllByteValues(3);
    const auto expected = ExpectedPieces(data);
    auto peer = std::async(std::launch::async, PlayLpd, link.listener.get(), LengthsOf(expected), 5, uint8_t(0));

    uint32_t sent = 0;
    int32_t status = 0;
    EXPECT_QLNK(QLNK_SendData(&link.context.netSocket, data.data(), uint32_t(data.size()), &sent, QLNK_PORT_TCP_LPR,
                              2000, &status),
                QLNK_OK);
    // The count of the last step, its zero octet included.
    EXPECT_EQ(sent, data.size() + 1);
    EXPECT_QLNK(QLNK_CloseComm(&link.context.netSocket, QLNK_PORT_TCP_LPR, &status), QLNK_OK);
    const PeerRecord record = peer.get();
    EXPECT_EQ(record.pieces, expected);
    EXPECT_TRUE(record.after.empty());
}

TEST(QlnkLprWire, EmptyJobAnnouncesCountZeroAndSendsOneZeroOctet)
{
    LprLink link;
    ASSERT_NO_FATAL_FAILURE(OpenLpr(&link));
    const auto expected = ExpectedPieces({});
    EXPECT_EQ(expected[3], BytesOf("\x03"
                                   "0 dfA356rollvan\n"));
    auto peer = std::async(std::launch::async, PlayLpd, link.listener.get(), LengthsOf(expected), 5, uint8_t(0));

    uint32_t sent = 0;
    int32_t status = 0;
    const uint8_t nothing = 0;
    EXPECT_QLNK(QLNK_SendData(&link.context.netSocket, &nothing, 0, &sent, QLNK_PORT_TCP_LPR, 2000, &status), QLNK_OK);
    EXPECT_EQ(sent, 1u);
    EXPECT_QLNK(QLNK_CloseComm(&link.context.netSocket, QLNK_PORT_TCP_LPR, &status), QLNK_OK);
    const PeerRecord record = peer.get();
    EXPECT_EQ(record.pieces, expected);
    EXPECT_TRUE(record.after.empty());
}

TEST(QlnkLprWire, UnansweredControlFileAnnouncementEndsTheJob)
{
    LprLink link;
    ASSERT_NO_FATAL_FAILURE(OpenLpr(&link));
    const auto data = AllByteValues(1);
    const auto expected = ExpectedPieces(data);
    // The queue request is acknowledged, the control-file announcement never is.
    auto peer = std::async(std::launch::async, [&] {
        PeerRecord record;
        auto connection = AcceptWithin(link.listener.get(), milliseconds(3000));
        record.pieces.push_back(ReadFor(connection.get(), expected[0].size(), milliseconds(3000)));
        const uint8_t ack = 0;
        send(connection.get(), &ack, 1, MSG_NOSIGNAL);
        record.pieces.push_back(ReadFor(connection.get(), expected[1].size(), milliseconds(3000)));
        record.after = ReadFor(connection.get(), 1u << 20, milliseconds(1500));
        return record;
    });

    uint32_t sent = 99;
    int32_t status = 0;
    const auto start = Clock::now();
    EXPECT_QLNK(QLNK_SendData(&link.context.netSocket, data.data(), uint32_t(data.size()), &sent, QLNK_PORT_TCP_LPR,
                              300, &status),
                QLNK_E_TIMEOUT);
    EXPECT_LT(MsSince(start), 5000);
    EXPECT_EQ(sent, 0u);
    EXPECT_EQ(TakeLastError(), ETIMEDOUT);
    const PeerRecord record = peer.get();
    ASSERT_EQ(record.pieces.size(), 2u);
    EXPECT_EQ(record.pieces[1], expected[1]);
    // Nothing more was sent, not even an abort.
    EXPECT_TRUE(record.after.empty());
    EXPECT_QLNK(QLNK_CloseComm(&link.context.netSocket, QLNK_PORT_TCP_LPR, &status), QLNK_OK);
}

// The content of an acknowledgement is not looked at: a peer that answers every step with a
// non-zero octet still gets the whole job.
TEST(QlnkLprWire, NonZeroAcknowledgementsDoNotStopTheJob)
{
    LprLink link;
    ASSERT_NO_FATAL_FAILURE(OpenLpr(&link));
    const auto data = AllByteValues(2);
    const auto expected = ExpectedPieces(data);
    auto peer = std::async(std::launch::async, PlayLpd, link.listener.get(), LengthsOf(expected), 5, uint8_t(0x03));

    uint32_t sent = 0;
    int32_t status = 0;
    EXPECT_QLNK(QLNK_SendData(&link.context.netSocket, data.data(), uint32_t(data.size()), &sent, QLNK_PORT_TCP_LPR,
                              2000, &status),
                QLNK_OK);
    EXPECT_EQ(sent, data.size() + 1);
    EXPECT_QLNK(QLNK_CloseComm(&link.context.netSocket, QLNK_PORT_TCP_LPR, &status), QLNK_OK);
    EXPECT_EQ(peer.get().pieces, expected);
}

// A final acknowledgement that never comes is the job's result, though all data went.
TEST(QlnkLprWire, MissingFinalAcknowledgementIsTheResult)
{
    LprLink link;
    ASSERT_NO_FATAL_FAILURE(OpenLpr(&link));
    const auto data = AllByteValues(1);
    const auto expected = ExpectedPieces(data);
    auto peer = std::async(std::launch::async, PlayLpd, link.listener.get(), LengthsOf(expected), 4, uint8_t(0));

    uint32_t sent = 0;
    int32_t status = 0;
    EXPECT_QLNK(QLNK_SendData(&link.context.netSocket, data.data(), uint32_t(data.size()), &sent, QLNK_PORT_TCP_LPR,
                              300, &status),
                QLNK_E_TIMEOUT);
    EXPECT_EQ(sent, data.size() + 1);
    EXPECT_QLNK(QLNK_CloseComm(&link.context.netSocket, QLNK_PORT_TCP_LPR, &status), QLNK_OK);
    EXPECT_EQ(peer.get().after, expected[4]);
}
