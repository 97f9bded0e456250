#include "Broker.h"

#include "ToolRunner.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

bool run(const std::string& commandLine) {
    return runTool(commandLine).status == 0;
}

std::string q(const fs::path& p) {
    return "'" + p.string() + "'";
}

} // namespace

int freeLocalPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

bool listening(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in a = loopback(port);
    const bool ok = ::connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

Broker::Broker(const fs::path& dir) : dir_(dir), port_(freeLocalPort()), tlsPort_(freeLocalPort()) {
    fs::create_directories(dir_ / "data");
    std::ofstream(passwordFile()) << password << "\n";
    const fs::path users = dir_ / "users";
    const std::string subject = " -subj '/CN=";
    ready_ =
        run("mosquitto_passwd -b -c " + q(users) + " " + user + " '" + password + "'") &&
        run("mosquitto_passwd -b " + q(users) + " collector collector-password") &&
        run("cd " + q(dir_) +
            " && openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout ca.key -out ca.pem" +
            subject + "Vrel test CA'") &&
        run("cd " + q(dir_) +
            " && openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout other-ca.key "
            "-out other-ca.pem" +
            subject + "Another CA'") &&
        run("cd " + q(dir_) +
            " && openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr" + subject +
            "localhost'") &&
        run("cd " + q(dir_) +
            " && printf 'subjectAltName=DNS:localhost\\n' > san.ext"
            " && openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial "
            "-days 2 -extfile san.ext -out server.pem");
    fs::permissions(users, fs::perms::owner_read | fs::perms::owner_write);
    setAcl("pattern readwrite #\n"); // every user, unlike a topic line
    // Running as root, mosquitto would change to its own user, who cannot read here.
    const passwd* me = ::getpwuid(::getuid());
    std::ofstream conf(dir_ / "mosquitto.conf");
    conf << "user " << (me ? me->pw_name : "mosquitto") << "\n"
         << "per_listener_settings false\n"
         << "allow_anonymous false\n"
         << "password_file " << (dir_ / "users").string() << "\n"
         << "acl_file " << (dir_ / "acl").string() << "\n"
         << "persistence true\n"
         << "persistence_location " << (dir_ / "data").string() << "/\n"
         << "log_dest stderr\n"
         << "listener " << port_ << " 127.0.0.1\n"
         << "listener " << tlsPort_ << " 127.0.0.1\n"
         << "cafile " << caFile().string() << "\n"
         << "certfile " << (dir_ / "server.pem").string() << "\n"
         << "keyfile " << (dir_ / "server.key").string() << "\n";
}

void Broker::setAcl(const std::string& text) {
    std::ofstream(dir_ / "acl") << text;
    if (process_)
        process_->signal(SIGHUP);
}

Broker::~Broker() {
    stop();
}

bool Broker::start() {
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{MOSQUITTO, "-c", (dir_ / "mosquitto.conf").string()});
    return waitFor([this] { return listening(port_) && listening(tlsPort_); });
}

void Broker::stop() {
    if (!process_)
        return;
    process_->signal(SIGTERM);
    process_->wait();
    process_.reset();
}

void Broker::crash() {
    if (!process_)
        return;
    process_->signal(SIGKILL);
    process_->wait();
    process_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_ / "data", ec);
    std::filesystem::create_directories(dir_ / "data", ec);
}

std::string Broker::log() const {
    return process_ ? process_->err() : std::string();
}
