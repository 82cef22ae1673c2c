#pragma once
// Certificates for the TLS tests and benchmarks, made once per process with the `openssl`
// command: a test CA, server certificates it signed for 127.0.0.1 and for another host
// name, and a self-signed one for 127.0.0.1. Fingerprints are read back the way a user
// would get them (`openssl x509 -fingerprint -sha256`).

#include "support/test_support.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace mondeliar::testing {

struct TestCertificate {
    std::string CertFile, KeyFile;
    std::string Fingerprint;  // "AA:BB:…", as openssl prints it
};

class TestCertificates {
public:
    // Made at the first call; Ready() is false when the openssl command failed.
    static const TestCertificates& Get()
    {
        static const TestCertificates certificates;
        return certificates;
    }

    bool Ready() const { return ready_; }
    std::string CaFile() const { return dir_ / "ca.pem"; }
    TestCertificate SignedForLoopback() const { return Of("loopback"); }  // IP 127.0.0.1
    TestCertificate SignedForOtherHost() const { return Of("other"); }    // other.example
    TestCertificate SelfSigned() const { return Of("self"); }             // IP 127.0.0.1

private:
    TestCertificates()
    {
        const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        ready_ = Run("openssl req -x509" + ec
                     + " -keyout ca.key -out ca.pem -days 2"
                       " -subj '/CN=Mondeliar Test CA'"
                       " -addext basicConstraints=critical,CA:TRUE"
                       " -addext keyUsage=critical,keyCertSign,cRLSign")
                 && Signed("loopback", "127.0.0.1", "IP:127.0.0.1,DNS:localhost")
                 && Signed("other", "other.example", "DNS:other.example")
                 && Run("openssl req -x509" + ec
                        + " -keyout self.key -out self.pem -days 2"
                          " -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1");
    }

    bool Signed(const std::string& name, const std::string& commonName, const std::string& san)
    {
        WriteFile(dir_ / (name + ".ext"), "subjectAltName=" + san + "\n");
        return Run("openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
                   " -keyout "
                   + name + ".key -out " + name + ".csr -subj /CN=" + commonName)
               && Run("openssl x509 -req -in " + name
                      + ".csr -CA ca.pem -CAkey ca.key"
                        " -CAcreateserial -days 2 -out "
                      + name + ".pem -extfile " + name + ".ext");
    }

    bool Run(const std::string& command) const
    {
        const std::string line = "cd '" + dir_.Path() + "' && " + command + " >/dev/null 2>&1";
        return std::system(line.c_str()) == 0;
    }

    TestCertificate Of(const std::string& name) const
    {
        TestCertificate certificate{dir_ / (name + ".pem"), dir_ / (name + ".key"), ""};
        const std::string command
            = "openssl x509 -noout -fingerprint -sha256 -in '" + certificate.CertFile + "'";
        if (std::FILE* out = ::popen(command.c_str(), "r")) {
            char line[256] = {};
            if (std::fgets(line, sizeof line, out) != nullptr) {
                std::string text = line;  // "sha256 Fingerprint=AA:BB:…"
                const size_t equals = text.find('=');
                if (equals != std::string::npos)
                    certificate.Fingerprint = text.substr(equals + 1, 95);
            }
            ::pclose(out);
        }
        return certificate;
    }

    TempDir dir_;
    bool ready_ = false;
};

}  // namespace mondeliar::testing
