#pragma once

#include <QString>

#include <optional>

// Where the broker password is kept between runs: the system's keyring,
// behind an interface so tests need none. Never a settings file.
class PasswordStore {
  public:
    virtual ~PasswordStore() = default;
    // Nothing when none is kept or no keyring runs (then available() is false).
    virtual std::optional<QString> read(const QString& key) = 0;
    virtual bool write(const QString& key, const QString& password) = 0;
    virtual bool available() const = 0;
};

// The keyring through QtKeychain (Secret Service, KWallet, the Windows
// credential store or the macOS keychain); without any, available() turns
// false at the first answer and the password is asked each time.
class KeychainStore final : public PasswordStore {
  public:
    std::optional<QString> read(const QString& key) override;
    bool write(const QString& key, const QString& password) override;
    bool available() const override { return available_; }

  private:
    bool available_ = true;
};
