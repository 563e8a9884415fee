#include "app/drive_list.h"
#include "app/main_window.h"
#include "identify/identify_scanner.h"
#include "rows/drive_rows.h"
#include "tests/win32/support/program_window.h"

#include <commctrl.h>
#include <winioctl.h>

#include <ntddscsi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr char kDrivePrefix[] = "\\\\.\\PhysicalDrive";
constexpr DWORD kSmartGetVersion = 0x74080;
constexpr DWORD kSmartRcvDriveData = 0x7C088;
constexpr DWORD kScsiPassThrough = 0x4D004;
constexpr DWORD kStorageQueryProperty = 0x2D1400;
constexpr DWORD kScsiGetAddress = 0x41018;

std::vector<unsigned char> ReadSector(const std::string& name)
{
    std::ifstream file(std::string(VESTREL_TEST_DATA_DIR) + "/identify/" + name, std::ios::binary);
    std::vector<unsigned char> sector(512);
    file.read(reinterpret_cast<char*>(sector.data()), 512);
    EXPECT_EQ(512, file.gcount()) << name;
    return sector;
}

// How one physical drive answers.
struct FakeDrive {
    std::vector<unsigned char> sector = std::vector<unsigned char>(512);
    bool takesSmart = true;       // SMART_GET_VERSION succeeds
    bool identifySucceeds = true; // SMART_RCV_DRIVE_DATA succeeds
    unsigned char driverError = 0;
    bool shortReply = false; // reports success but writes only the header
};

// One I/O control as the driver received it.
struct Request {
    int drive;
    DWORD code;
    std::vector<unsigned char> in;
    DWORD inSize;
    DWORD outSize;
    bool sharesBuffer;
    bool outClear; // every output byte past the input was zero
};

// Answers the scan as drives do and records what it was asked, from
// whichever thread asks: the scan asks drives side by side.
class FakeDrives final : public DeviceIo {
public:
    FakeDrives() { InitializeCriticalSection(&lock); }
    ~FakeDrives() override { DeleteCriticalSection(&lock); }

    std::map<int, FakeDrive> drives;
    std::vector<std::string> paths;
    std::vector<DWORD> accesses;
    std::vector<DWORD> shares;
    std::vector<Request> requests;
    std::vector<int> closed;

    HANDLE Open(const char* path, DWORD access, DWORD share) override
    {
        Held held(lock);
        paths.push_back(path);
        accesses.push_back(access);
        shares.push_back(share);
        const std::size_t prefix = std::strlen(kDrivePrefix);
        const int index = std::atoi(path + prefix);
        if (std::strncmp(path, kDrivePrefix, prefix) != 0 || drives.count(index) == 0) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x1000 + index));
    }

    bool Control(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                 DWORD* returned) override
    {
        Held held(lock);
        const int index = Index(device);
        auto* bytes = static_cast<unsigned char*>(out);
        Request request{index, code, {}, inSize, outSize, in == out, true};
        if (in)
            request.in.assign(static_cast<const unsigned char*>(in),
                              static_cast<const unsigned char*>(in) + inSize);
        for (DWORD i = inSize; i < outSize; ++i)
            request.outClear = request.outClear && bytes[i] == 0;
        requests.push_back(request);

        FakeDrive& drive = drives.at(index);
        if (code == kSmartGetVersion) {
            if (drive.takesSmart && outSize >= 24)
                bytes[0] = 1; // a version reply; nobody reads it
            *returned = drive.takesSmart ? 24 : 0;
            return drive.takesSmart;
        }
        if (code != kSmartRcvDriveData || !drive.identifySucceeds || outSize < 16 + 512)
            return false;
        bytes[0] = 0x00; // buffer size 512, little-endian
        bytes[1] = 0x02;
        bytes[4] = drive.driverError;
        if (!drive.shortReply)
            std::memcpy(bytes + 16, drive.sector.data(), 512);
        *returned = drive.shortReply ? 16 : 16 + 512;
        return true;
    }

    void Close(HANDLE device) override
    {
        Held held(lock);
        closed.push_back(Index(device));
    }

    // The identify requests to `drive`, without the queries that ask what it
    // is and where (its descriptors, its SCSI address).
    std::vector<Request> RequestsTo(int drive) const
    {
        std::vector<Request> found;
        for (const Request& request : requests)
            if (request.drive == drive && !IsDescriptorQuery(request))
                found.push_back(request);
        return found;
    }

private:
    struct Held {
        explicit Held(CRITICAL_SECTION& lock) : lock(lock) { EnterCriticalSection(&lock); }
        ~Held() { LeaveCriticalSection(&lock); }
        CRITICAL_SECTION& lock;
    };

    static bool IsDescriptorQuery(const Request& request)
    {
        return request.code == kScsiGetAddress ||
               (request.code == kStorageQueryProperty && request.in.size() >= 4 &&
                (request.in[0] == StorageDeviceProperty ||
                 request.in[0] == StorageAdapterProperty));
    }

    static int Index(HANDLE device)
    {
        return static_cast<int>(reinterpret_cast<INT_PTR>(device)) - 0x1000;
    }

    CRITICAL_SECTION lock;
};

class IdentifyScan : public ProgramWindowTest {
protected:
    bool Scan()
    {
        const std::vector<DriveRecord> drives = IdentifyScanner(devices).ReadDrives();
        InsertDriveRows(g_hDriveList, ListedRows({}, drives));
        return !drives.empty();
    }

    int RowCount() { return static_cast<int>(SendMessageA(g_hDriveList, LVM_GETITEMCOUNT, 0, 0)); }

    void ExpectRow(int row, const char* model, const char* serial, const char* firmware)
    {
        SCOPED_TRACE(row);
        EXPECT_EQ(model, CellText(g_hDriveList, row, 0));
        EXPECT_EQ(serial, CellText(g_hDriveList, row, 1));
        EXPECT_EQ(firmware, CellText(g_hDriveList, row, 2));
    }

    // Every drive that was opened was closed exactly once.
    void ExpectAllClosed()
    {
        std::vector<int> opened;
        for (const auto& drive : devices.drives)
            if (drive.first < 32)
                opened.push_back(drive.first);
        std::vector<int> closed = devices.closed;
        std::sort(closed.begin(), closed.end());
        EXPECT_EQ(opened, closed);
    }

    FakeDrives devices;
};

TEST_F(IdentifyScan, DrivesAtZeroAndThreeGiveTwoRowsInIndexOrderAfterExistingRows)
{
    AddRow("FROM DISCOVERY", "D1", "R1");
    devices.drives[3].sector = ReadSector("33.bin");
    devices.drives[0].sector = ReadSector("02.bin");
    EXPECT_TRUE(Scan());
    ASSERT_EQ(3, RowCount());
    ExpectRow(0, "FROM DISCOVERY", "D1", "R1");
    ExpectRow(1, "ORDIX HTS725050A7E630", "TF1500Y9HRAM5B", "GH2ZB390");
    ExpectRow(2, "PELLUM MK1651GSY", "38IGT0G5T", "LD001D");
    ExpectAllClosed();
}

TEST_F(IdentifyScan, TriesEveryIndexFromZeroToThirtyOneOnly)
{
    devices.drives[32].sector = ReadSector("05.bin");
    EXPECT_FALSE(Scan());
    EXPECT_EQ(0, RowCount());
    ASSERT_EQ(32u, devices.paths.size());
    // Drives are asked side by side: their opens come in any order.
    std::vector<std::string> expected;
    for (int i = 0; i < 32; ++i)
        expected.push_back("\\\\.\\PhysicalDrive" + std::to_string(i));
    std::vector<std::string> paths = devices.paths;
    std::sort(paths.begin(), paths.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, paths);
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE), devices.accesses[i]);
        EXPECT_EQ(static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE),
                  devices.shares[i]);
    }
    EXPECT_TRUE(devices.requests.empty());
}

TEST_F(IdentifyScan, SendsTheVersionQueryThenAClearedIdentifyRequest)
{
    devices.drives[3].sector = ReadSector("05.bin");
    ASSERT_TRUE(Scan());
    const std::vector<Request> requests = devices.RequestsTo(3);
    ASSERT_EQ(2u, requests.size());

    const Request& version = requests[0];
    EXPECT_EQ(kSmartGetVersion, version.code);
    EXPECT_TRUE(version.in.empty());
    EXPECT_EQ(0u, version.inSize);
    EXPECT_EQ(24u, version.outSize);
    EXPECT_TRUE(version.outClear);

    const Request& identify = requests[1];
    EXPECT_EQ(kSmartRcvDriveData, identify.code);
    EXPECT_EQ(33u, identify.inSize);
    EXPECT_EQ(545u, identify.outSize);
    EXPECT_TRUE(identify.sharesBuffer);
    EXPECT_TRUE(identify.outClear);
    std::vector<unsigned char> expected(33, 0);
    expected[0] = 0x00; // buffer size 512
    expected[1] = 0x02;
    expected[5] = 1;     // sector count
    expected[6] = 1;     // sector number
    expected[9] = 0xA0;  // drive/head
    expected[10] = 0xEC; // command: IDENTIFY DEVICE
    expected[12] = 3;    // drive number
    EXPECT_EQ(expected, identify.in);
    ExpectRow(0, "QEMU HARDDISK", "QM00001", "2.1.2");
}

std::vector<DWORD> Codes(const std::vector<Request>& requests)
{
    std::vector<DWORD> codes;
    for (const Request& request : requests)
        codes.push_back(request.code);
    return codes;
}

// A drive that refuses SMART is not sent the SMART identify; it is asked
// through ATA PASS-THROUGH (16), then (12), then the NVMe query, and one that
// answers none of them gets no row.
TEST_F(IdentifyScan, DriveRefusingSmartGetsNoRowAndIsNotAskedToIdentify)
{
    devices.drives[1].takesSmart = false;
    devices.drives[2].sector = ReadSector("03.bin");
    EXPECT_TRUE(Scan());
    ASSERT_EQ(1, RowCount());
    ExpectRow(0, "ORDIX WD800BB-00CAA1", "WD-WMA8E4953539", "17.07W17");
    EXPECT_EQ((std::vector<DWORD>{kSmartGetVersion, kScsiPassThrough, kScsiPassThrough,
                                  kStorageQueryProperty}),
              Codes(devices.RequestsTo(1)));
    ExpectAllClosed();
}

template <typename T> T Read(const std::vector<unsigned char>& bytes, std::size_t at = 0)
{
    T value;
    EXPECT_LE(at + sizeof value, bytes.size());
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

TEST_F(IdentifyScan, PassThroughRequestsReadOneSectorWithinFiveSecondsAndTheNvmeQueryOnePage)
{
    devices.drives[0].takesSmart = false;
    Scan();
    const std::vector<Request> requests = devices.RequestsTo(0);
    ASSERT_EQ(4u, requests.size());
    const unsigned char opcodes[] = {0x85, 0xA1};
    const unsigned char cdbLengths[] = {16, 12};
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        const Request& request = requests[1 + k];
        ASSERT_EQ(sizeof(SCSI_PASS_THROUGH), request.inSize);
        const auto header = Read<SCSI_PASS_THROUGH>(request.in);
        EXPECT_TRUE(request.sharesBuffer);
        EXPECT_EQ(sizeof header, header.Length);
        EXPECT_EQ(cdbLengths[k], header.CdbLength);
        EXPECT_EQ(opcodes[k], header.Cdb[0]);
        EXPECT_EQ(SCSI_IOCTL_DATA_IN, header.DataIn);
        EXPECT_EQ(512u, header.DataTransferLength);
        EXPECT_GE(header.TimeOutValue, 1u);
        EXPECT_LE(header.TimeOutValue, 5u);
        // Sense and data lie behind the header, inside the buffer, apart.
        EXPECT_GE(header.SenseInfoOffset, sizeof header);
        EXPECT_GE(header.SenseInfoLength, 22);
        EXPECT_LE(header.SenseInfoOffset + header.SenseInfoLength, header.DataBufferOffset);
        EXPECT_LE(header.DataBufferOffset + 512, request.outSize);
    }

    const Request& nvme = requests[3];
    EXPECT_EQ(nvme.inSize, nvme.outSize);
    ASSERT_GE(nvme.inSize, 8u + 40u + 4096u);
    EXPECT_EQ(StorageAdapterProtocolSpecificProperty, Read<DWORD>(nvme.in, 0));
    EXPECT_EQ(PropertyStandardQuery, Read<DWORD>(nvme.in, 4));
    const auto protocol = Read<STORAGE_PROTOCOL_SPECIFIC_DATA>(nvme.in, 8);
    EXPECT_EQ(ProtocolTypeNvme, protocol.ProtocolType);
    EXPECT_EQ(static_cast<DWORD>(NVMeDataTypeIdentify), protocol.DataType);
    EXPECT_EQ(1u, protocol.ProtocolDataRequestValue); // Identify Controller
    EXPECT_EQ(0u, protocol.ProtocolDataRequestSubValue);
    EXPECT_EQ(sizeof protocol, protocol.ProtocolDataOffset);
    EXPECT_EQ(4096u, protocol.ProtocolDataLength);
    EXPECT_LE(8u + protocol.ProtocolDataOffset + 4096u, nvme.outSize);
}

TEST_F(IdentifyScan, FailedOrErrorRepliesGiveNoRowAndLaterDrivesAreStillRead)
{
    devices.drives[0].identifySucceeds = false;
    devices.drives[1].driverError = 1;
    devices.drives[1].sector = ReadSector("02.bin");
    devices.drives[5].sector = ReadSector("10.bin");
    EXPECT_TRUE(Scan());
    ASSERT_EQ(1, RowCount());
    ExpectRow(0, "ORDIX DVD-ROM PX-116A", "", "1.00");
    ExpectAllClosed();
}

TEST_F(IdentifyScan, ASuccessThatReturnsOnlyTheHeaderGivesNoRow)
{
    devices.drives[0].shortReply = true;
    devices.drives[0].sector = ReadSector("02.bin");
    devices.drives[1].sector = ReadSector("10.bin");
    EXPECT_TRUE(Scan());
    ASSERT_EQ(1, RowCount());
    ExpectRow(0, "ORDIX DVD-ROM PX-116A", "", "1.00");
}

} // namespace
