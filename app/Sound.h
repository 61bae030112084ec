#pragma once
// The six sound players of the main window, behind a seam a test replaces.

#include <QString>
#include <array>
#include <filesystem>
#include <memory>

#include "FileSystem.h"

class QSoundEffect;

namespace cpuchat {

class SoundSystem {
public:
    static constexpr int kPlayers = 6;

    virtual ~SoundSystem() = default;
    /// Binds player `player` (1 to 6) to the WAV file `name`, spelled as the program
    /// spells it ("Sound\Close.wav"). Returns the error text, empty when it is ready.
    virtual QString open(int player, const QString& name) = 0;
    /// Starts player `player` from the beginning unless it is still playing; returns
    /// at once.
    virtual void play(int player) = 0;
};

/// Why `path` is not a WAV file we can play (missing, unreadable, not RIFF/WAVE, no
/// format or data chunk); empty when it is one.
QString waveFileProblem(const std::filesystem::path& path);

/// Players over Qt Multimedia. A missing or malformed file is an error; a machine
/// without an audio device is not: the players then stay silent.
class WaveSoundSystem : public SoundSystem {
public:
    enum class Output { Speakers, Silent };

    explicit WaveSoundSystem(const DiskFileSystem& files, Output output = Output::Speakers);
    ~WaveSoundSystem() override;

    QString open(int player, const QString& name) override;
    void play(int player) override;

private:
    const DiskFileSystem& m_files;
    Output m_output;
    std::array<std::unique_ptr<QSoundEffect>, kPlayers> m_players;
};

}  // namespace cpuchat
