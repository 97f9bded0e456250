#pragma once

// Debian's PostgreSQL 15 as the tests' own server: a cluster made by initdb
// in a scratch folder under /tmp, started by pg_ctl on a free local port,
// password logins only. initdb and postgres refuse to run as root, so as root
// they run as the postgres user the package makes, who owns the folder. One
// server serves a whole test program; each test takes a database of its own.

#include <filesystem>
#include <string>

class PgServer {
  public:
    PgServer();
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    bool ready() const { return ready_; }
    // pg_ctl start and stop (fast: the server commits what it has, ends the sessions).
    bool start();
    void stop();

    // A new, empty database; its URL for vrel, with the password in passwordFile().
    std::string newDatabase(const std::string& name);
    // Runs SQL in a database as the superuser; what psql prints (unaligned,
    // tuples only), or nothing but the error when it failed.
    std::string sql(const std::string& database, const std::string& statements,
                    bool* ok = nullptr) const;

    int port() const { return port_; }
    static constexpr const char* user = "vrel";
    static constexpr const char* password = "pg s3cret";
    std::filesystem::path passwordFile() const { return dir_ / "password.txt"; }
    std::filesystem::path dir() const { return dir_; }
    std::string log() const;

  private:
    std::string asOwner(const std::string& commandLine) const;

    std::filesystem::path dir_;
    int port_ = 0;
    bool ready_ = false;
    bool running_ = false;
};

// The server of this test program, made and started on first use.
PgServer& pgServer();
