// qcx: a command-line tool over the camera library's public C interface.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "cli/command_support.h"
#include "cli/commands.h"

namespace {

// The subcommand chain the user typed, "qcx trigger delay", for hints.
std::string CommandPath(const CLI::App& app) {
    std::string path = app.get_name();
    for (const CLI::App* sub = &app;;) {
        const auto chosen = sub->get_subcommands();
        if (chosen.empty()) break;
        sub = chosen.front();
        path += " " + sub->get_name();
    }
    return path;
}

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n') c = ' ';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "qcx: find, inspect and use the cameras of the QCXApi library.\n"
        "Every command opens the library, does its work and closes it again, so settings made by one\n"
        "command do not carry over to the next; give them as options of the command that needs them.\n"
        "QCX_SIM=TYPES (or --simulate TYPES) adds simulated cameras, e.g. --simulate 21,8:1.",
        "qcx"};
    app.require_subcommand(1);
    app.fallthrough();
    app.footer("Run 'qcx COMMAND --help' for the options of a command.\n"
               "Exit status: 0 done, 1 a library call failed (its status text and code are printed), "
               "2 the command line is wrong.");
    app.add_option_function<std::string>(
           "--simulate", [](const std::string& types) { qcxcli::SetEnvironment("QCX_SIM", types); },
           "Simulated cameras to add, as QCX_SIM takes them: TYPE[:NUMBER[:FIRMWARE]],...")
        ->type_name("TYPES");
    app.add_flag("-q,--quiet", qcxcli::verbosity.quiet, "Print only results and errors; no progress line");
    app.add_flag("-v,--verbose", qcxcli::verbosity.verbose, "Also print every library call with its status");

    qcxcli::AddListAndInfoCommands(app);
    qcxcli::AddCaptureCommand(app);
    qcxcli::AddPreviewCommand(app);
    qcxcli::AddRegisterCommands(app);
    qcxcli::AddIoLineCommands(app);
    qcxcli::AddColourAndLogCommands(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        const std::string path = CommandPath(app);
        std::fprintf(stderr, "%s: %s; see '%s --help'\n", path.c_str(), OneLine(error.what()).c_str(), path.c_str());
        return 2;
    } catch (const qcxcli::UsageError& error) {
        const std::string path = CommandPath(app);
        std::fprintf(stderr, "%s: %s; see '%s --help'\n", path.c_str(), error.what(), path.c_str());
        return 2;
    } catch (const qcxcli::ApiError& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "qcx: %s\n", error.what());
        return 1;
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "qcx: %s\n", error.what());
        return 1;
    }
    return 0;
}
