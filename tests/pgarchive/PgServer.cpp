#include "PgServer.h"

#include "Broker.h"
#include "ToolRunner.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const std::string bin = "/usr/lib/postgresql/15/bin/";

std::string q(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

} // namespace

PgServer::PgServer() : port_(freeLocalPort()) {
    char scratch[] = "/tmp/vrel-pg-XXXXXX";
    if (!::mkdtemp(scratch))
        return;
    dir_ = scratch;
    std::ofstream(passwordFile()) << password << "\n";
    if (::geteuid() == 0) {
        const passwd* pg = ::getpwnam("postgres");
        if (!pg || ::chown(dir_.c_str(), pg->pw_uid, pg->pw_gid) != 0 ||
            ::chown(passwordFile().c_str(), pg->pw_uid, pg->pw_gid) != 0)
            return;
    }
    const ToolResult init = runTool(
        asOwner(bin + "initdb --no-sync --auth=scram-sha-256 -E UTF8 --locale=C -U " + user +
                " --pwfile=" + q(passwordFile().string()) + " -D " + q((dir_ / "data").string())));
    ready_ = init.status == 0;
}

PgServer::~PgServer() {
    stop();
    std::error_code ec;
    if (!dir_.empty())
        fs::remove_all(dir_, ec);
}

std::string PgServer::asOwner(const std::string& commandLine) const {
    return ::geteuid() == 0 ? "runuser -u postgres -- sh -c " + q(commandLine) : commandLine;
}

bool PgServer::start() {
    const std::string options = "-p " + std::to_string(port_) + " -k " + dir_.string() +
                                " -c listen_addresses=127.0.0.1 -c fsync=off"
                                " -c synchronous_commit=off -c full_page_writes=off";
    running_ = runTool(asOwner(bin + "pg_ctl -w -t 30 -D " + q((dir_ / "data").string()) + " -l " +
                               q((dir_ / "log").string()) + " -o " + q(options) + " start"))
                   .status == 0;
    return running_;
}

void PgServer::stop() {
    if (!running_)
        return;
    runTool(asOwner(bin + "pg_ctl -w -m fast -D " + q((dir_ / "data").string()) + " stop"));
    running_ = false;
}

std::string PgServer::sql(const std::string& database, const std::string& statements,
                          bool* ok) const {
    const ToolResult r = runTool("PGPASSWORD=" + q(password) +
                                     " psql -X -q -A -t -v ON_ERROR_STOP=1 -h 127.0.0.1 -p " +
                                     std::to_string(port_) + " -U " + user + " -d " + q(database),
                                 statements);
    if (ok)
        *ok = r.status == 0;
    return r.status == 0 ? r.out : r.err;
}

std::string PgServer::newDatabase(const std::string& name) {
    sql("postgres", "DROP DATABASE IF EXISTS " + name + "; CREATE DATABASE " + name + ";");
    return "postgresql://" + std::string(user) + "@127.0.0.1:" + std::to_string(port_) + "/" + name;
}

std::string PgServer::log() const {
    return slurp(dir_ / "log");
}

PgServer& pgServer() {
    static PgServer server;
    static const bool started = server.ready() && server.start();
    (void)started;
    return server;
}
