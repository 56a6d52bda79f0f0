#include "ArgParser.h"
#include "CliError.h"
#include "Commands.h"
#include "Output.h"
#include "ProcessHardening.h"
#include "Product.h"
#include "VaultEngine.h"

#include <QCoreApplication>

#include <cstdio>
#include <new>

namespace {

void printError(const QString& message) {
    const QByteArray line = QStringLiteral("vantrel-cli: %1\n").arg(oneLine(message)).toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace

int main(int argc, char* argv[]) {
    keepSecretsOutOfCoreDumps(); // before any password is read
    QCoreApplication app(argc, argv);
    int code = ExitOk;
    try {
        const QStringList args = decodeArguments(argc, argv);
        if (args == QStringList{QStringLiteral("--version")})
            writeOut(QStringLiteral("vantrel-cli ") + Product::version() + u'\n');
        else
            code = runCli(args);
    } catch (const CliError& e) {
        printError(e.message);
        code = e.code;
    } catch (const VaultError& e) {
        printError(QString::fromUtf8(e.what()));
        code = ExitWriteFailed;
    } catch (const std::bad_alloc&) {
        printError(QStringLiteral("out of memory"));
        code = ExitWriteFailed;
    }
    if (!finishOut() && code == ExitOk) {
        printError(QStringLiteral("could not write to standard output"));
        code = ExitWriteFailed;
    }
    return code;
}
