// The feed over TLS against a real broker with certificates made for the test: a broker the CA
// vouches for gets the rows, with or without a client certificate it asks for; a broker the CA
// does not know, or one that asks for a certificate the feed lacks, is reported once and gets
// nothing.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "support/local_broker.h"
#include "feed/mqtt_feed.h"

namespace {

// A CA with a broker certificate for 127.0.0.1 and a client certificate, and an unrelated CA.
class TestCertificates {
public:
    QTemporaryDir Dir;
    QString Error;

    QString Path(const char* name) const { return Dir.filePath(QString::fromLatin1(name)); }

    bool Make()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty()) {
            Error = QStringLiteral("no openssl program");
            return false;
        }
        QFile ext(Path("server.ext"));
        if (!ext.open(QIODevice::WriteOnly) || ext.write("subjectAltName=IP:127.0.0.1\n") < 0)
            return false;
        ext.close();
        return SelfSigned("ca") && SelfSigned("other-ca") && Signed("server", "127.0.0.1", {"-extfile", "server.ext"})
            && Signed("client", "station", {});
    }

private:
    bool Run(QStringList args)
    {
        QProcess p;
        p.setWorkingDirectory(Dir.path());
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("openssl"), args);
        if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            Error = QStringLiteral("openssl %1: %2").arg(args.join(' '), QString::fromLocal8Bit(p.readAll()));
            return false;
        }
        return true;
    }
    // Elliptic-curve keys: made in milliseconds, where RSA keys take a while.
    static QStringList NewKey(const QString& name)
    {
        return {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", name + ".key"};
    }
    bool SelfSigned(const QString& name)
    {
        return Run(QStringList{"req", "-x509", "-days", "2", "-subj", "/CN=" + name, "-out", name + ".crt"} + NewKey(name));
    }
    bool Signed(const QString& name, const QString& commonName, const QStringList& extra)
    {
        return Run(QStringList{"req", "-subj", "/CN=" + commonName, "-out", name + ".csr"} + NewKey(name))
            && Run(QStringList{"x509", "-req", "-days", "2", "-in", name + ".csr", "-CA", "ca.crt", "-CAkey", "ca.key",
                               "-CAcreateserial", "-out", name + ".crt"}
                   + extra);
    }
};

struct TlsCase {
    const char* Name;
    bool BrokerAsksForClientCertificate;
    const char* CaFile;  // the CA the feed trusts
    bool GiveClientCertificate;
    bool Delivered;
};

const TlsCase kCases[] = {
    {"TrustedBroker", false, "ca.crt", false, true},
    {"ClientCertificateAskedAndGiven", true, "ca.crt", true, true},
    {"BrokerFromAnotherCa", false, "other-ca.crt", false, false},
    {"ClientCertificateAskedButMissing", true, "ca.crt", false, false},
};

class MqttTlsTest : public ::testing::TestWithParam<TlsCase> {};

TEST_P(MqttTlsTest, DeliversOnlyOverAHandshakeBothSidesAccept)
{
    const TlsCase& c = GetParam();
    TestCertificates certs;
    if (QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty())
        GTEST_SKIP() << "the openssl program is not installed (Debian package openssl)";
    ASSERT_TRUE(certs.Make()) << certs.Error.toStdString();

    // The TLS listener is the broker's first; the test's subscriber listens in plain text on a second.
    LocalBroker broker;
    broker.Port = FreeLoopbackPort();
    int plainPort;
    do
        plainPort = FreeLoopbackPort();
    while (plainPort == broker.Port);
    broker.Extra = "cafile " + certs.Path("ca.crt").toStdString() + "\ncertfile " + certs.Path("server.crt").toStdString()
        + "\nkeyfile " + certs.Path("server.key").toStdString() + "\n"
        + (c.BrokerAsksForClientCertificate ? "require_certificate true\n" : "") + "listener "
        + std::to_string(plainPort) + " 127.0.0.1\n";
    START_BROKER_OR_SKIP(broker);
    ASSERT_TRUE(WaitFor([&] { return Accepts(plainPort); }, 5000)) << "the plain listener did not come up";
    TestSubscriber sub(plainPort, "t/#");
    ASSERT_TRUE(sub.WaitSubscribed());

    FeedSettings s = LoopbackFeed(broker.Port);
    s.CaFile = certs.Path(c.CaFile);
    if (c.GiveClientCertificate) {
        s.CertFile = certs.Path("client.crt");
        s.KeyFile = certs.Path("client.key");
    }
    MqttFeed feed(s);
    QStringList reports;
    QObject::connect(&feed, &MqttFeed::Refused, [&](const QString& m) { reports << m; });
    feed.Start();
    for (int i = 0; i < 10; ++i)
        feed.Publish({"t/s1/bench1/row", std::to_string(i), false});

    auto rows = [&] {
        size_t n = 0;
        for (const auto& m : sub.Messages())
            n += m.Topic == "t/s1/bench1/row";
        return n;
    };
    if (c.Delivered) {
        EXPECT_TRUE(WaitFor([&] { return rows() == 10; }, 10000)) << rows();
        EXPECT_TRUE(feed.Statistics().Connected);
        EXPECT_TRUE(reports.isEmpty()) << reports.join('|').toStdString();
    } else {
        // Several attempts in this time, one report.
        WaitFor([&] { return !reports.isEmpty(); }, 5000);
        WaitFor([] { return false; }, 1500);
        EXPECT_EQ(rows(), 0u);
        EXPECT_FALSE(feed.Statistics().Connected);
        ASSERT_EQ(reports.size(), 1) << reports.join('|').toStdString();
        EXPECT_TRUE(reports[0].contains(QStringLiteral("TLS"))) << reports[0].toStdString();
    }
    feed.Stop();
}

INSTANTIATE_TEST_SUITE_P(Cases, MqttTlsTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TlsCase>& info) { return std::string(info.param.Name); });

} // namespace
