#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace ch::testing {

// A certificate authority made for one test, with one server certificate that names every host
// the test serves over https, and the way to make a program trust that authority and nothing
// else: it runs in a mount namespace of its own with the authority's folder bound over
// /etc/ssl/certs, where Qt and OpenSSL look for trusted certificates. Needs the openssl tool and
// the right to mount (the tests run as root); Unusable() says why not, for a skip.
class TestAuthority {
  public:
    TestAuthority(const std::filesystem::path& folder, const std::vector<std::string>& hosts)
        : folder_(folder) {
        std::filesystem::create_directories(folder_ / "certs");
        if (!Run("command -v openssl")) {
            unusable_ = "the openssl tool is not installed";
            return;
        }
        std::string names;
        for (const auto& host : hosts) names += (names.empty() ? "DNS:" : ",DNS:") + host;
        std::ofstream(folder_ / "server.ext") << "subjectAltName=" << names
                                              << "\nbasicConstraints=CA:FALSE\n"
                                                 "extendedKeyUsage=serverAuth\n";
        const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes ";
        if (!Run("openssl req -x509" + ec + "-days 2 -subj '/CN=ClipHarvester test authority'" +
                 " -keyout " + Quoted(folder_ / "ca.key") + " -out " + Quoted(AuthorityFile())) ||
            !Run("openssl req -new" + ec + "-subj '/CN=simulated web' -keyout " +
                 Quoted(KeyFile()) + " -out " + Quoted(folder_ / "server.csr")) ||
            !Run("openssl x509 -req -days 2 -set_serial 2 -in " + Quoted(folder_ / "server.csr") +
                 " -CA " + Quoted(AuthorityFile()) + " -CAkey " + Quoted(folder_ / "ca.key") +
                 " -extfile " + Quoted(folder_ / "server.ext") + " -out " +
                 Quoted(CertificateFile()))) {
            unusable_ = "openssl could not make the test certificates";
            return;
        }
        // The folder as `openssl rehash` leaves it (a link named by the subject's hash), plus the
        // bundle file Debian keeps there.
        const auto certs = CertsFolder();
        std::filesystem::copy_file(AuthorityFile(), certs / "clipharvester-test-ca.pem");
        std::filesystem::copy_file(AuthorityFile(), certs / "ca-certificates.crt");
        const std::string hash = Output("openssl x509 -hash -noout -in " + Quoted(AuthorityFile()));
        if (hash.empty()) {
            unusable_ = "openssl could not hash the test authority";
            return;
        }
        std::filesystem::create_symlink("clipharvester-test-ca.pem", certs / (hash + ".0"));
        if (!Run("unshare -m -- sh -c 'mount --bind \"$0\" /etc/ssl/certs' " + Quoted(certs)))
            unusable_ = "cannot bind-mount over /etc/ssl/certs in a new mount namespace";
    }

    // Empty when the authority can be used; otherwise the reason.
    const std::string& Unusable() const { return unusable_; }

    std::filesystem::path AuthorityFile() const { return folder_ / "ca.pem"; }
    std::filesystem::path CertificateFile() const { return folder_ / "server.pem"; }
    std::filesystem::path KeyFile() const { return folder_ / "server.key"; }
    // Holds only the authority, hashed and bundled as /etc/ssl/certs is.
    std::filesystem::path CertsFolder() const { return folder_ / "certs"; }

    // The program and arguments that run `program` trusting this authority alone. The program
    // keeps the process (unshare and sh exec it), so its signals and exit status are its own.
    std::pair<std::string, std::vector<std::string>> Trusting(
        const std::string& program, const std::vector<std::string>& arguments) const {
        std::vector<std::string> wrapped = {"-m",
                                            "--",
                                            "sh",
                                            "-c",
                                            "mount --bind \"$0\" /etc/ssl/certs && exec \"$@\"",
                                            CertsFolder().string(),
                                            program};
        wrapped.insert(wrapped.end(), arguments.begin(), arguments.end());
        return {"unshare", wrapped};
    }

  private:
    static std::string Quoted(const std::filesystem::path& path) {
        std::string quoted = "'";
        for (const char c : path.string())
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    }
    bool Run(const std::string& command) const {
        const std::string logged = command + " >>" + Quoted(folder_ / "openssl.log") + " 2>&1";
        return std::system(logged.c_str()) == 0;
    }
    std::string Output(const std::string& command) const {
        std::string text;
        if (FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
            char buffer[128];
            while (std::fgets(buffer, sizeof buffer, pipe)) text += buffer;
            if (pclose(pipe) != 0) text.clear();
        }
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        return text;
    }

    std::filesystem::path folder_;
    std::string unusable_;
};

}  // namespace ch::testing
