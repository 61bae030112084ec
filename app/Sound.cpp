#include "Sound.h"

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>
#include <unistd.h>
#include <cstring>

#include "Cp1251.h"

namespace cpuchat {

namespace {

std::uint32_t littleEndian32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
}

}  // namespace

QString waveFileProblem(const std::filesystem::path& path) {
    // Opened without blocking and only when it is a regular file: a FIFO or a device
    // put in a sound's place must not hold up the start of the program.
    const int fd = openRegularFile(path);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) ::close(fd);
        return QStringLiteral("cannot be read");
    }
    const QByteArray header = file.read(12);
    if (header.size() < 12 || std::memcmp(header.constData(), "RIFF", 4) != 0 ||
        std::memcmp(header.constData() + 8, "WAVE", 4) != 0) {
        return QStringLiteral("not a RIFF/WAVE file");
    }
    // Walk the chunks: a playable file has a format chunk before its data chunk.
    bool format = false;
    for (;;) {
        const QByteArray chunk = file.read(8);
        if (chunk.size() < 8) return QStringLiteral("no data chunk");
        const std::uint32_t size = littleEndian32(chunk.constData() + 4);
        if (std::memcmp(chunk.constData(), "fmt ", 4) == 0) {
            if (size < 16) return QStringLiteral("format chunk too short");
            format = true;
        } else if (std::memcmp(chunk.constData(), "data", 4) == 0) {
            return format ? QString() : QStringLiteral("data before format chunk");
        }
        // Chunks are padded to an even length.
        const qint64 next = file.pos() + qint64(size) + qint64(size & 1);
        if (next > file.size() || !file.seek(next)) return QStringLiteral("truncated chunk");
    }
}

WaveSoundSystem::WaveSoundSystem(const DiskFileSystem& files, Output output) : m_files(files), m_output(output) {
    // Without an audio device the program runs and plays nothing.
    if (m_output == Output::Speakers && QMediaDevices::defaultAudioOutput().isNull()) m_output = Output::Silent;
}

WaveSoundSystem::~WaveSoundSystem() = default;

QString WaveSoundSystem::open(int player, const QString& name) {
    if (player < 1 || player > kPlayers) return QStringLiteral("No player %1").arg(player);
    const std::filesystem::path path = m_files.resolve(toCp1251(name));
    if (!waveFileProblem(path).isEmpty()) return QStringLiteral("Cannot open file ") + name;
    if (m_output == Output::Speakers) {
        auto effect = std::make_unique<QSoundEffect>();
        effect->setSource(QUrl::fromLocalFile(QString::fromStdString(path.string())));
        m_players[player - 1] = std::move(effect);
    }
    return {};
}

void WaveSoundSystem::play(int player) {
    if (player < 1 || player > kPlayers) return;
    QSoundEffect* effect = m_players[player - 1].get();
    // A request while the sound is still playing has no effect.
    if (effect && !effect->isPlaying()) effect->play();
}

}  // namespace cpuchat
