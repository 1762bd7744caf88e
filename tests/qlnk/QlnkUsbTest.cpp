// The USB transports with a stand-in for libudev and the usblp and hidraw calls (this machine
// has no USB); everything above those calls, the exported dispatch included, is the real code.
#include <qlnk.h>

#include "transports/CUSBComm.h"
#include "transports/CUsbCalls.h"

#include "QlnkTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <map>
#include <poll.h>
#include <string>
#include <vector>

namespace {

using qlnk_test::TakeLastError;

// The devices of a machine, and every call made on them.
class FakeUsb final : public CUsbCalls {
public:
    static constexpr int kFirstFd = 4000;  // never a real descriptor of this process

    // Whether the next call of this name fails as scripted in errors, with errno set.
    bool Fails(const std::string &call)
    {
        auto &script = errors[call];
        const int error = script.empty() ? 0 : script.front();
        if (!script.empty()) {
            script.pop_front();
        }
        errno = error;
        return error != 0;
    }

    int PrinterNodes(std::vector<CUsbPrinterNode> *nodes) override
    {
        *nodes = printers;
        return Fails("enumerate") ? -1 : 0;
    }
    int HidrawNodes(std::vector<std::string> *devnodes) override
    {
        for (const auto &device : hid) {
            devnodes->push_back(device.devnode);
        }
        return Fails("enumerate") ? -1 : 0;
    }
    int Open(const char *path, int flags) override
    {
        opens.push_back(path);
        openFlags = flags;
        if (Fails("open")) {
            return -1;
        }
        const int fd = nextFd++;
        paths[fd] = path;
        return fd;
    }
    int Close(int fd) override
    {
        closes.push_back(fd);
        return paths.erase(fd) == 1 ? 0 : (errno = EBADF, -1);
    }
    ssize_t Read(int, void *buffer, std::size_t length) override
    {
        reads.push_back(length);
        if (Fails("read")) {
            return -1;
        }
        const std::size_t n = std::min(length, input.size());
        std::copy_n(input.begin(), n, static_cast<uint8_t *>(buffer));
        return ssize_t(n);
    }
    ssize_t Write(int fd, const void *data, std::size_t length) override
    {
        writes.push_back(length);
        if (Fails("write")) {
            return -1;
        }
        const std::size_t n = std::min(length, writeLimit);
        const auto *bytes = static_cast<const uint8_t *>(data);
        written[paths.at(fd)].insert(written[paths.at(fd)].end(), bytes, bytes + n);
        return ssize_t(n);
    }
    int Poll(pollfd *fds, unsigned, int timeoutMs) override
    {
        polls.push_back(timeoutMs);
        fds->revents = ready ? fds->events : 0;
        return ready ? 1 : 0;
    }
    int RawInfo(int fd, hidraw_devinfo *info) override
    {
        const Hid &device = HidAt(fd);
        *info = {};
        info->bustype = 3;
        info->vendor = int16_t(device.vendor);
        info->product = int16_t(device.product);
        return 0;
    }
    int DescriptorSize(int fd, int *size) override
    {
        *size = int(HidAt(fd).descriptor.size());
        return 0;
    }
    int Descriptor(int fd, uint8_t *bytes, std::size_t size) override
    {
        const auto &descriptor = HidAt(fd).descriptor;
        std::copy_n(descriptor.begin(), std::min(size, descriptor.size()), bytes);
        return 0;
    }
    int SetFeature(int fd, const uint8_t *report, std::size_t length) override
    {
        if (Fails("feature")) {
            return -1;
        }
        written[paths.at(fd)].assign(report, report + length);
        return int(length);
    }
    int GetFeature(int, uint8_t *report, std::size_t length) override
    {
        featureAsked.assign(report, report + length);
        std::copy_n(feature.begin(), std::min(length, feature.size()), report);
        return int(length);
    }

    struct Hid {
        std::string devnode;
        uint16_t vendor;
        uint16_t product;
        std::vector<uint8_t> descriptor;
    };
    const Hid &HidAt(int fd) const
    {
        for (const Hid &device : hid) {
            if (device.devnode == paths.at(fd)) {
                return device;
            }
        }
        ADD_FAILURE() << "no HID device behind " << fd;
        static const Hid none{};
        return none;
    }

    std::vector<CUsbPrinterNode> printers;
    std::vector<Hid> hid;
    int openFlags = 0;
    int nextFd = kFirstFd;
    std::map<int, std::string> paths;  // open descriptors
    std::vector<std::string> opens;
    std::vector<int> closes;
    std::vector<std::size_t> writes;
    std::vector<std::size_t> reads;
    std::vector<int> polls;
    // By call name, the answer of each next call: an errno, or 0 for the normal one.
    std::map<std::string, std::deque<int>> errors;
    std::size_t writeLimit = SIZE_MAX;
    bool ready = true;
    std::vector<uint8_t> input;
    std::vector<uint8_t> feature;
    std::vector<uint8_t> featureAsked;
    std::map<std::string, std::vector<uint8_t>> written;
};

class QlnkUsb : public testing::Test {
protected:
    void SetUp() override
    {
        CUSBComm::SetCalls(&fake);
        TakeLastError();
    }
    void TearDown() override { CUSBComm::SetCalls(nullptr); }

    static QLNK_CommContext Context(uint32_t type, uint32_t vendor, uint32_t product)
    {
        QLNK_CommContext result{};
        result.portType = type;
        result.usbVendorId = vendor;
        result.usbProductId = product;
        return result;
    }

    // The printer lp0 (1a2b:0001) opened.
    int32_t OpenPrinter()
    {
        fake.printers = {{"/dev/usb/lp0", 0x1a2b, 0x0001}};
        auto context = Context(QLNK_PORT_USB_PRINTER, 0x1a2b, 0x0001);
        EXPECT_EQ(QLNK_Open(&context, &status), 1);
        TakeLastError();
        fake.writes.clear();
        fake.polls.clear();
        return context.usbHandle;
    }

    static std::vector<uint8_t> Pattern(std::size_t length)
    {
        std::vector<uint8_t> bytes(length);
        for (std::size_t i = 0; i < length; ++i) {
            bytes[i] = uint8_t(i * 7 + i / 256);
        }
        return bytes;
    }

    FakeUsb fake;
    int32_t status = 0;
};

}  // namespace

TEST_F(QlnkUsb, PrinterSearchFindsTheNodeWithBothIdTexts)
{
    const std::vector<CUsbPrinterNode> two = {{"/dev/usb/lp0", 0x04b8, 0x0202}, {"/dev/usb/lp1", 0x1a2b, 0x0001}};
    std::vector<CUsbPrinterNode> many(127, CUsbPrinterNode{"/dev/usb/lpX", 0x04b8, 0x0202});
    many.push_back({"/dev/usb/lp127", 0x1a2b, 0x0001});
    const struct {
        const char *what;
        std::vector<CUsbPrinterNode> nodes;
        uint32_t vendor, product;
        std::map<std::string, std::deque<int>> errors;
        int32_t result;
        const char *opened;  // nullptr: a failed search opens nothing and leaves the field alone
        int32_t lastError;
    } cases[] = {
        {"none present", {}, 0x1a2b, 0x0001, {}, QLNK_E_NO_DEVICE, nullptr, ENODEV},
        {"the second of two", two, 0x1a2b, 0x0001, {}, QLNK_OK, "/dev/usb/lp1", 0},
        {"upper-case hex asked, lower-case text", two, 0x1A2B, 0x0001, {}, QLNK_OK, "/dev/usb/lp1", 0},
        {"vendor only", two, 0x1a2b, 0x0002, {}, QLNK_E_NO_MATCH, nullptr, ENODEV},
        {"product only", two, 0x1a2c, 0x0001, {}, QLNK_E_NO_MATCH, nullptr, ENODEV},
        {"an id beyond 16 bits", two, 0x11a2b, 0x0001, {}, QLNK_E_NO_MATCH, nullptr, ENODEV},
        {"beyond the first 127", many, 0x1a2b, 0x0001, {}, QLNK_E_NO_MATCH, nullptr, ENODEV},
        {"no device database", two, 0x1a2b, 0x0001, {{"enumerate", {EACCES}}}, QLNK_E_OPEN, nullptr, EACCES},
        {"held by another open", two, 0x1a2b, 0x0001, {{"open", {EBUSY}}}, QLNK_E_OPEN, "/dev/usb/lp1", EBUSY},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        fake.printers = c.nodes;
        fake.errors = c.errors;
        fake.opens.clear();
        auto context = Context(QLNK_PORT_USB_PRINTER, c.vendor, c.product);
        context.usbHandle = 7;
        EXPECT_EQ(QLNK_Open(&context, &status), c.result == QLNK_OK ? 1 : 0);
        EXPECT_EQ(status, c.result);
        EXPECT_EQ(TakeLastError(), c.lastError);
        if (c.opened == nullptr) {
            EXPECT_TRUE(fake.opens.empty());
            EXPECT_EQ(context.usbHandle, 7);
            continue;
        }
        EXPECT_EQ(fake.opens, std::vector<std::string>{c.opened});
        EXPECT_EQ(fake.openFlags & O_ACCMODE, O_RDWR);
        if (c.result != QLNK_OK) {
            EXPECT_EQ(context.usbHandle, -1);
            continue;
        }
        EXPECT_EQ(context.usbHandle, fake.nextFd - 1);
        EXPECT_EQ(QLNK_CloseComm(&context.usbHandle, QLNK_PORT_USB_PRINTER, &status), 1);
    }
}

TEST_F(QlnkUsb, PrinterSendGoesInChunksOfAtMost4096)
{
    const struct {
        uint32_t length;
        std::size_t writeLimit;  // what the driver takes per write
        std::vector<std::size_t> writes;
    } cases[] = {
        {10000, SIZE_MAX, {4096, 4096, 1808}},
        {8192, SIZE_MAX, {4096, 4096, 0}},
        {4096, SIZE_MAX, {4096, 0}},
        {4095, SIZE_MAX, {4095}},
        {0, SIZE_MAX, {0}},
        // A partial write goes on from where the driver stopped.
        {5000, 1000, {4096, 4000, 3000, 2000, 1000}},
    };
    int32_t handle = OpenPrinter();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.length);
        fake.writes.clear();
        fake.polls.clear();
        fake.written.clear();
        fake.writeLimit = c.writeLimit;
        const auto data = Pattern(c.length);
        uint32_t sent = 9;
        EXPECT_EQ(QLNK_SendData(&handle, data.data(), c.length, &sent, QLNK_PORT_USB_PRINTER, 1000, &status), 1);
        EXPECT_EQ(status, QLNK_OK);
        EXPECT_EQ(sent, c.length);
        EXPECT_EQ(fake.writes, c.writes);
        EXPECT_EQ(fake.written["/dev/usb/lp0"], data);
        // Every write is waited for, within the call's time-out.
        EXPECT_EQ(fake.polls.size(), c.writes.size());
        for (int wait : fake.polls) {
            EXPECT_GT(wait, 900);
            EXPECT_LE(wait, 1000);
        }
    }
    EXPECT_EQ(QLNK_CloseComm(&handle, QLNK_PORT_USB_PRINTER, &status), 1);
}

TEST_F(QlnkUsb, PrinterSendThatStallsOrFails)
{
    int32_t handle = OpenPrinter();
    const auto data = Pattern(10000);
    uint32_t sent = 9;

    // The driver is busy with an earlier chunk and then takes this one.
    fake.errors["write"] = {EAGAIN};
    EXPECT_EQ(QLNK_SendData(&handle, data.data(), 100, &sent, QLNK_PORT_USB_PRINTER, 500, &status), 1);
    EXPECT_EQ(sent, 100u);
    EXPECT_EQ(fake.writes, (std::vector<std::size_t>{100, 100}));

    const struct {
        const char *what;
        std::deque<int> writeErrors;
        bool ready;
        int32_t result;
        uint32_t sent;
        int32_t lastError;
        std::size_t writes;
    } cases[] = {
        // A printer that takes the first chunk and then nothing: the time-out ends the send.
        {"stalled after a chunk", {}, false, QLNK_E_TIMEOUT, 4096, ETIMEDOUT, 1},
        {"stalled from the start", {EAGAIN}, false, QLNK_E_TIMEOUT, 0, ETIMEDOUT, 1},
        {"unplugged", {ENODEV}, true, QLNK_E_SYSTEM, 0, ENODEV, 1},
        // An error other than "would block" ends the loop with the count so far.
        {"failing after a chunk", {0, EIO}, true, QLNK_E_SYSTEM, 4096, EIO, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        fake.writes.clear();
        fake.errors["write"] = c.writeErrors;
        fake.ready = c.ready;
        EXPECT_EQ(QLNK_SendData(&handle, data.data(), 10000, &sent, QLNK_PORT_USB_PRINTER, 300, &status), 0);
        EXPECT_EQ(status, c.result);
        EXPECT_EQ(sent, c.sent);
        EXPECT_EQ(TakeLastError(), c.lastError);
        EXPECT_EQ(fake.writes.size(), c.writes);
    }
    EXPECT_EQ(QLNK_CloseComm(&handle, QLNK_PORT_USB_PRINTER, &status), 1);
}

TEST_F(QlnkUsb, PrinterReceiveIsOneReadWithinTheTimeout)
{
    int32_t handle = OpenPrinter();
    uint8_t buffer[64] = {};
    uint32_t received = 9;
    const struct {
        const char *what;
        std::deque<int> readErrors;
        bool ready;
        std::vector<uint8_t> input;
        int32_t result;
        uint32_t received;
        int32_t lastError;
    } cases[] = {
        {"there already", {}, true, {0x10, 0x12}, QLNK_OK, 2, QLNK_NO_ERROR_RECORDED},
        {"there after a wait", {EAGAIN}, true, {0x14}, QLNK_OK, 1, QLNK_NO_ERROR_RECORDED},
        {"nothing in time", {EAGAIN}, false, {}, QLNK_E_TIMEOUT, 0, ETIMEDOUT},
        {"a device error", {EIO}, true, {}, QLNK_E_SYSTEM, 0, EIO},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        fake.reads.clear();
        fake.errors["read"] = c.readErrors;
        fake.ready = c.ready;
        fake.input = c.input;
        EXPECT_EQ(QLNK_RecvData(&handle, buffer, sizeof buffer, &received, QLNK_PORT_USB_PRINTER, 200, &status),
                  c.result == QLNK_OK ? 1 : 0);
        EXPECT_EQ(status, c.result);
        EXPECT_EQ(received, c.received);
        EXPECT_EQ(TakeLastError(), c.lastError);
        EXPECT_EQ(fake.reads.front(), sizeof buffer);
        EXPECT_TRUE(std::equal(c.input.begin(), c.input.end(), buffer));
    }
    EXPECT_EQ(QLNK_CloseComm(&handle, QLNK_PORT_USB_PRINTER, &status), 1);
}

// usbHandle is the library's descriptor until QLNK_CloseComm; what the library never opened
// reaches no call, for every USB port type.
TEST_F(QlnkUsb, HandlesAreTheLibrarysUntilClosed)
{
    fake.printers = {{"/dev/usb/lp0", 0x1a2b, 0x0001}};
    auto context = Context(QLNK_PORT_USB_PRINTER, 0x1a2b, 0x0001);
    ASSERT_EQ(QLNK_Open(&context, &status), 1);
    EXPECT_EQ(TakeLastError(), 0);
    const int32_t opened = context.usbHandle;
    EXPECT_EQ(fake.paths.count(opened), 1u);
    EXPECT_EQ(QLNK_CloseComm(&context.usbHandle, QLNK_PORT_USB_PRINTER, &status), 1);
    EXPECT_EQ(context.usbHandle, -1);
    EXPECT_EQ(fake.closes, std::vector<int>{opened});
    EXPECT_EQ(QLNK_CloseComm(&context.usbHandle, QLNK_PORT_USB_PRINTER, &status), 0);
    EXPECT_EQ(status, QLNK_E_OPEN);

    fake.writes.clear();
    fake.closes.clear();
    for (uint32_t type : {QLNK_PORT_USB_PRINTER, QLNK_PORT_USB_HID_OUTPUT, QLNK_PORT_USB_HID_FEATURE}) {
        for (int32_t handle : {0, opened}) {
            SCOPED_TRACE(testing::Message() << type << " " << handle);
            uint8_t bytes[4] = {1, 2, 3, 4};
            uint32_t count = 9;
            EXPECT_EQ(QLNK_SendData(&handle, bytes, sizeof bytes, &count, type, 100, &status), 0);
            EXPECT_EQ(status, QLNK_E_PARAM);
            EXPECT_EQ(QLNK_RecvData(&handle, bytes, sizeof bytes, &count, type, 100, &status), 0);
            EXPECT_EQ(status, QLNK_E_PARAM);
            EXPECT_EQ(count, 0u);
            EXPECT_EQ(QLNK_CloseComm(&handle, type, &status), 0);
            EXPECT_EQ(status, QLNK_E_PARAM);
            EXPECT_EQ(TakeLastError(), EBADF);
        }
    }
    EXPECT_TRUE(fake.writes.empty());
    EXPECT_TRUE(fake.reads.empty());
    EXPECT_TRUE(fake.closes.empty());
}

namespace {

using Bytes = std::vector<uint8_t>;

// The printer's vendor layout, small: a short output report (id 1) of 4 data bytes and an
// 8-bit length, a long one (id 2) of 10 bytes and a 16-bit length, and a feature report (id 3)
// of 6 bytes and a 32-bit length. Output reports are 13 bytes long, feature reports 11.
const Bytes kLayout = {
    0x06, 0x8B, 0xFF, 0x09, 0x01, 0xA1, 0x01,                    // vendor page, Application
    0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,                    // 0..255, 8 bits
    0x09, 0x10, 0xA1, 0x02, 0x85, 0x01,                          // short: Logical 0x10, report 1
    0x09, 0xA0, 0x95, 0x04, 0x91, 0x02,                          // 4 data bytes
    0x09, 0xA2, 0x95, 0x01, 0x91, 0x02,                          // length
    0xC0,                                                        //
    0x09, 0x11, 0xA1, 0x02, 0x85, 0x02,                          // long: Logical 0x11, report 2
    0x09, 0xA0, 0x95, 0x0A, 0x91, 0x02,                          // 10 data bytes
    0xA4, 0x75, 0x10, 0x09, 0xA2, 0x95, 0x01, 0x91, 0x02, 0xB4,  // 16-bit length
    0xC0,                                                        //
    0x09, 0x10, 0xA1, 0x02, 0x85, 0x03,                          // feature: Logical 0x10, report 3
    0x09, 0xA1, 0x95, 0x06, 0xB1, 0x02,                          // 6 data bytes
    0x75, 0x20, 0x09, 0xA2, 0x95, 0x01, 0xB1, 0x02,              // 32-bit length
    0xC0, 0xC0,
};

// The same without any length usage.
const Bytes kNoLength = {
    0x06, 0x8B, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x09, 0x10, 0xA1, 0x02, 0x85, 0x01,
    0x09, 0xA0, 0x95, 0x04, 0x91, 0x02, 0x09, 0xA1, 0x95, 0x04, 0xB1, 0x02, 0xC0, 0xC0,
};

class QlnkUsbHid : public QlnkUsb {
protected:
    // hidraw1 and hidraw2 have the ids, hidraw0 has not; the later, hidraw2, is the one opened.
    int32_t OpenHid(uint32_t type, const Bytes &descriptor = kLayout)
    {
        fake.hid = {{"/dev/hidraw0", 0x1a2b, 0x0002, kLayout},
                    {"/dev/hidraw1", 0x1a2b, 0x0001, kLayout},
                    {"/dev/hidraw2", 0x1a2b, 0x0001, descriptor}};
        auto context = Context(type, 0x1a2b, 0x0001);
        EXPECT_EQ(QLNK_Open(&context, &status), 1);
        EXPECT_EQ(TakeLastError(), 0);
        fake.opens.clear();
        return context.usbHandle;
    }

    int32_t Send(uint32_t type, int32_t handle, const Bytes &data, uint32_t *sent)
    {
        const int32_t returned = QLNK_SendData(&handle, data.data(), uint32_t(data.size()), sent, type, 100, &status);
        EXPECT_EQ(returned, status == QLNK_OK ? 1 : 0);
        return status;
    }
};

}  // namespace

TEST_F(QlnkUsbHid, SearchOpensTheLastNodeWithTheIds)
{
    for (uint32_t type : {QLNK_PORT_USB_HID_OUTPUT, QLNK_PORT_USB_HID_FEATURE}) {
        SCOPED_TRACE(type);
        fake.paths.clear();
        int32_t handle = OpenHid(type);
        EXPECT_EQ(fake.paths, (std::map<int, std::string>{{handle, "/dev/hidraw2"}}));
        EXPECT_EQ(fake.openFlags & O_ACCMODE, O_RDWR);
        EXPECT_EQ(QLNK_CloseComm(&handle, type, &status), 1);
    }

    // No node with the ids: the search is fine, the open of nothing is not. Every node looked
    // at is closed again.
    fake.paths.clear();
    fake.opens.clear();
    auto context = Context(QLNK_PORT_USB_HID_FEATURE, 0x1a2b, 0x0003);
    context.usbHandle = 7;
    EXPECT_EQ(QLNK_Open(&context, &status), 0);
    EXPECT_EQ(status, QLNK_E_OPEN);
    EXPECT_EQ(context.usbHandle, -1);
    EXPECT_EQ(TakeLastError(), ENOENT);
    EXPECT_EQ(fake.opens.size(), 3u);
    EXPECT_TRUE(fake.paths.empty());

    // The enumeration itself failing is a system error.
    fake.errors["enumerate"] = {ENOMEM};
    context.usbHandle = 7;
    EXPECT_EQ(QLNK_Open(&context, &status), 0);
    EXPECT_EQ(status, QLNK_E_SYSTEM);
    EXPECT_EQ(context.usbHandle, -1);
    EXPECT_EQ(TakeLastError(), ENOMEM);
}

TEST_F(QlnkUsbHid, OutputReportsAreBuiltExactly)
{
    const struct {
        const char *what;
        Bytes data;
        Bytes report;
    } cases[] = {
        {"short, padded", {0x41, 0x42, 0x43}, {0x01, 0x41, 0x42, 0x43, 0x00, 0x03, 0, 0, 0, 0, 0, 0, 0}},
        {"short, exactly its count", {1, 2, 3, 4}, {0x01, 1, 2, 3, 4, 0x04, 0, 0, 0, 0, 0, 0, 0}},
        {"long, one byte more", {1, 2, 3, 4, 5}, {0x02, 1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 0x05, 0x00}},
        {"long, exactly its count",
         Bytes(10, 0xEE),
         {0x02, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0x0A, 0x00}},
        {"nothing", {}, {0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    int32_t handle = OpenHid(QLNK_PORT_USB_HID_OUTPUT);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        fake.written.clear();
        uint32_t sent = 99;
        EXPECT_EQ(Send(QLNK_PORT_USB_HID_OUTPUT, handle, c.data, &sent), QLNK_OK);
        EXPECT_EQ(fake.written["/dev/hidraw2"], c.report);
        // The count is the report's length.
        EXPECT_EQ(sent, 13u);
    }
    // More than the long report holds is refused whole, not cut off.
    fake.writes.clear();
    uint32_t sent = 99;
    EXPECT_EQ(Send(QLNK_PORT_USB_HID_OUTPUT, handle, Bytes(11, 1), &sent), QLNK_E_PARAM);
    EXPECT_EQ(sent, 0u);
    EXPECT_TRUE(fake.writes.empty());
    EXPECT_EQ(TakeLastError(), EMSGSIZE);
    // The device refusing the write.
    fake.errors["write"] = {EPIPE};
    EXPECT_EQ(Send(QLNK_PORT_USB_HID_OUTPUT, handle, Bytes(2, 1), &sent), QLNK_E_SYSTEM);
    EXPECT_EQ(TakeLastError(), EPIPE);
    // No receive on output reports, even on an open handle.
    uint8_t buffer[16];
    EXPECT_EQ(QLNK_RecvData(&handle, buffer, sizeof buffer, &sent, QLNK_PORT_USB_HID_OUTPUT, 100, &status), 0);
    EXPECT_EQ(status, QLNK_E_PARAM);
    EXPECT_TRUE(fake.reads.empty());
    EXPECT_EQ(QLNK_CloseComm(&handle, QLNK_PORT_USB_HID_OUTPUT, &status), 1);
}

TEST_F(QlnkUsbHid, FeatureReportsBothWays)
{
    int32_t handle = OpenHid(QLNK_PORT_USB_HID_FEATURE);
    uint32_t count = 99;
    EXPECT_EQ(Send(QLNK_PORT_USB_HID_FEATURE, handle, {0x1B, 0x40, 0x0A}, &count), QLNK_OK);
    EXPECT_EQ(fake.written["/dev/hidraw2"], (Bytes{0x03, 0x1B, 0x40, 0x0A, 0, 0, 0, 0x03, 0, 0, 0}));
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(Send(QLNK_PORT_USB_HID_FEATURE, handle, Bytes(7, 1), &count), QLNK_E_PARAM);
    EXPECT_EQ(TakeLastError(), EMSGSIZE);
    fake.errors["feature"] = {EPIPE};
    EXPECT_EQ(Send(QLNK_PORT_USB_HID_FEATURE, handle, {1}, &count), QLNK_E_SYSTEM);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(TakeLastError(), EPIPE);

    // The whole data usage is copied, and the low 16 bits of the length.
    fake.feature = {0x03, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x02, 0x00, 0x05, 0x00};
    uint8_t buffer[8] = {0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5};
    EXPECT_EQ(QLNK_RecvData(&handle, buffer, 6, &count, QLNK_PORT_USB_HID_FEATURE, 100, &status), 1);
    EXPECT_EQ(fake.featureAsked, (Bytes{0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Bytes(buffer, buffer + 8), (Bytes{0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0xA5, 0xA5}));
    EXPECT_EQ(count, 2u);
    // A buffer smaller than the data usage is refused before the device is asked.
    fake.featureAsked.clear();
    EXPECT_EQ(QLNK_RecvData(&handle, buffer, 5, &count, QLNK_PORT_USB_HID_FEATURE, 100, &status), 0);
    EXPECT_EQ(status, QLNK_E_PARAM);
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(fake.featureAsked.empty());
    EXPECT_EQ(TakeLastError(), ENOBUFS);
    EXPECT_EQ(QLNK_CloseComm(&handle, QLNK_PORT_USB_HID_FEATURE, &status), 1);
}

// A descriptor that does not parse, or lacks what the mode needs, moves nothing.
TEST_F(QlnkUsbHid, DescriptorWithoutTheLayoutIsAProtocolError)
{
    const struct {
        const char *what;
        Bytes descriptor;
    } cases[] = {
        {"truncated", {0x06, 0x8B}},
        {"empty", {}},
        {"no length usage", kNoLength},
        {"another device's", {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05,
                              0x75, 0x01, 0x95, 0x05, 0x91, 0x02, 0x95, 0x03, 0x91, 0x01, 0xC0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        for (uint32_t type : {QLNK_PORT_USB_HID_OUTPUT, QLNK_PORT_USB_HID_FEATURE}) {
            int32_t handle = OpenHid(type, c.descriptor);
            fake.writes.clear();
            fake.written.clear();
            uint32_t count = 99;
            EXPECT_EQ(Send(type, handle, {1, 2}, &count), QLNK_E_SYSTEM);
            EXPECT_EQ(count, 0u);
            EXPECT_EQ(TakeLastError(), EPROTO);
            if (type == QLNK_PORT_USB_HID_FEATURE) {
                uint8_t buffer[64];
                EXPECT_EQ(QLNK_RecvData(&handle, buffer, sizeof buffer, &count, type, 100, &status), 0);
                EXPECT_EQ(status, QLNK_E_SYSTEM);
                EXPECT_EQ(TakeLastError(), EPROTO);
            }
            EXPECT_TRUE(fake.writes.empty());
            EXPECT_TRUE(fake.written.empty());
            EXPECT_EQ(QLNK_CloseComm(&handle, type, &status), 1);
        }
    }
}
