#include "PasswordStore.h"

#include <QEventLoop>

#include <qt6keychain/keychain.h>

namespace {

const QString service = QStringLiteral("org.vrel.Vrel.network");

// Runs a keyring job to its end; the dialog that needs the answer waits anyway.
void finish(QKeychain::Job& job) {
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
}

// Without a keyring service on the session's bus the answer is an "other"
// error, not always NoBackendAvailable: anything but a missing entry means
// the password cannot be kept.
bool noKeyring(QKeychain::Error e) {
    return e != QKeychain::NoError && e != QKeychain::EntryNotFound;
}

} // namespace

std::optional<QString> KeychainStore::read(const QString& key) {
    if (!available_)
        return std::nullopt;
    QKeychain::ReadPasswordJob job(service);
    job.setAutoDelete(false);
    job.setKey(key);
    finish(job);
    if (noKeyring(job.error()))
        available_ = false;
    if (job.error() != QKeychain::NoError)
        return std::nullopt;
    return job.textData();
}

bool KeychainStore::write(const QString& key, const QString& password) {
    if (!available_)
        return false;
    QKeychain::WritePasswordJob job(service);
    job.setAutoDelete(false);
    job.setKey(key);
    job.setTextData(password);
    finish(job);
    if (noKeyring(job.error()))
        available_ = false;
    return job.error() == QKeychain::NoError;
}
