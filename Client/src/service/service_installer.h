#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>

#include <QString>
#include <QStringList>

namespace nimbral {

// Registers NimbralService with systemd and removes it again: the unit file in the system unit
// folder, then systemctl. The folder and the way systemctl runs are injected for tests.
class ServiceInstaller {
public:
    static constexpr const char* kServiceName = "NimbralService";
    static constexpr const char* kUnitName = "nimbral.service";
    static constexpr const char* kUnitDirectory = "/etc/systemd/system";

    // Runs systemctl with the arguments; its exit code, or nothing when it did not run.
    using Systemctl = std::function<std::optional<int>(const QStringList& arguments)>;

    ServiceInstaller(QString unitDirectory, Systemctl systemctl, std::FILE* out = stdout,
                     std::FILE* err = stderr);

    static Systemctl realSystemctl();
    // The unit that runs this program as the service.
    static QString unitText(const QString& executablePath);

    // Exit codes as the command line gives them: 0 on success or when there is nothing to do.
    int install(const QString& executablePath);
    int uninstall();

    QString unitPath() const;

    // For tests that cannot run as root: the account (besides root) whose files count as safe
    // to run as root.
    void setTrustedOwner(std::uint32_t owner) { m_trustedOwner = owner; }

private:
    bool runSystemctl(const QStringList& arguments);

    QString m_unitDirectory;
    Systemctl m_systemctl;
    std::FILE* m_out;
    std::FILE* m_err;
    std::uint32_t m_trustedOwner = 0;
};

} // namespace nimbral
