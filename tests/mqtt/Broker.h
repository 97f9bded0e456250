#pragma once

// Debian's mosquitto as the test's own broker: a free local port, a password
// file made by mosquitto_passwd, no anonymous clients, persistence, and a TLS
// listener whose certificates the fixture makes with openssl (for the name
// localhost only, signed by a certificate authority of its own). A second
// authority that signed nothing stands for an untrusted one.

#include "ChildProcess.h"

#include <filesystem>
#include <memory>
#include <string>

class Broker {
  public:
    // Makes the configuration, users and certificates in dir; false when a tool failed.
    explicit Broker(const std::filesystem::path& dir);
    ~Broker();

    bool ready() const { return ready_; }
    // Starts mosquitto and waits until both listeners take connections.
    bool start();
    // Stops it as a service stop does (SIGTERM; it saves what it persists).
    void stop();
    // Kills it and drops what it persisted: started again, it is a broker
    // without persistence after a restart, every queue and retained message gone.
    void crash();
    // The access list (mosquitto's acl_file); every user may read and write
    // everything until a test says otherwise. A running broker reads it again
    // at once, as a reload (SIGHUP) does.
    void setAcl(const std::string& text);

    int port() const { return port_; }
    int tlsPort() const { return tlsPort_; }
    std::string url() const { return "mqtt://127.0.0.1:" + std::to_string(port_); }
    std::string tlsUrl() const { return "mqtts://localhost:" + std::to_string(tlsPort_); }

    static constexpr const char* user = "meter";
    static constexpr const char* password = "s3cret, with a comma";
    std::filesystem::path passwordFile() const { return dir_ / "password.txt"; }
    std::filesystem::path caFile() const { return dir_ / "ca.pem"; }
    std::filesystem::path otherCaFile() const { return dir_ / "other-ca.pem"; }
    std::string log() const;

  private:
    std::filesystem::path dir_;
    int port_ = 0;
    int tlsPort_ = 0;
    bool ready_ = false;
    std::unique_ptr<ChildProcess> process_;
};

// A port on 127.0.0.1 that nothing listens on at the moment.
int freeLocalPort();
// Whether something takes connections on 127.0.0.1:port.
bool listening(int port);
