// The cache of the last discovery's MACs that the shell completion of
// --device reads.

#include "tools/swpctl/devicecache.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstring>

using namespace swpctl;

namespace {

DeviceRecord Device(uint8_t last) {
    DeviceRecord device{};
    const uint8_t mac[6] = {0x02, 0x5A, 0x00, 0x00, 0x0B, last};
    std::memcpy(device.MAC, mac, 6);
    return device;
}

QByteArray Content(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

} // namespace

TEST(SwpctlDeviceCache, PathFollowsXdgCacheHome) {
    QTemporaryDir dir;
    qputenv("XDG_CACHE_HOME", dir.path().toUtf8());
    EXPECT_EQ(dir.path() + "/swpctl/devices", DeviceCachePath());
    qunsetenv("XDG_CACHE_HOME");
}

TEST(SwpctlDeviceCache, CreatesItsFolderAndKeepsOnlyTheLastDiscovery) {
    QTemporaryDir dir;
    const QString path = dir.filePath("cache/swpctl/devices");

    ASSERT_TRUE(SaveDeviceCache(path, {Device(0x01), Device(0xFE)}));
    EXPECT_EQ("02:5A:00:00:0B:01\n02:5A:00:00:0B:FE\n", Content(path));

    ASSERT_TRUE(SaveDeviceCache(path, {Device(0x07)}));
    EXPECT_EQ("02:5A:00:00:0B:07\n", Content(path));

    ASSERT_TRUE(SaveDeviceCache(path, {}));
    EXPECT_EQ("", Content(path));
}

TEST(SwpctlDeviceCache, UnwritablePlaceIsReportedNotFatal) {
    QTemporaryDir dir;
    const QString blocker = dir.filePath("file");
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    // A folder cannot be made below a plain file, whoever runs the test.
    EXPECT_FALSE(SaveDeviceCache(blocker + "/swpctl/devices", {Device(0x01)}));
}

TEST(SwpctlDeviceCache, ALinkAtItsPlaceIsReplacedNotFollowed) {
    QTemporaryDir dir;
    const QString victim = dir.filePath("victim");
    QFile file(victim);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("keep\n") == 5);
    file.close();
    const QString path = dir.filePath("devices");
    ASSERT_TRUE(QFile::link(victim, path));

    ASSERT_TRUE(SaveDeviceCache(path, {Device(0x01)}));
    EXPECT_EQ("keep\n", Content(victim));
    EXPECT_FALSE(QFileInfo(path).isSymLink());
    EXPECT_EQ(QFile::ReadOwner | QFile::WriteOwner,
              QFile::permissions(path) &
                  (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther |
                   QFile::WriteGroup | QFile::WriteOther));
}
