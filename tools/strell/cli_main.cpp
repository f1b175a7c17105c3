// strell: shows what libstrell answers for a camera configuration and why,
// and checks a configuration before it ships.
#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "strell/cli_commands.h"

namespace {

const char* const kFooter =
    "Exit status: 0 success; 1 a negative answer (a URL that resolves to nothing, check with "
    "warnings only); 2 bad arguments, no configuration, or check with errors.\n"
    "The library's trace lines go to standard error (text output) or are dropped (--json, and "
    "the probes of check and urls, unless --verbose), so that standard output holds only the "
    "tool's own report.";

void AddCommonOptions(CLI::App* command, strell_cli::CommonOptions& options) {
  command
      ->add_option("--root", options.root,
                   std::string("Directory that stands for ") + kConfigDirectory +
                       " (default: $STRELL_CONF_ROOT, then " + kConfigDirectory + ")")
      ->type_name("DIR");
  command->add_flag("--json", options.json, "Write JSON to standard output");
  command->add_flag("-v,--verbose", options.verbose,
                    "Send every trace line of the library and the host kit's diagnostics to "
                    "standard error");
}

// The output format a command line asks for, read before it is parsed.
std::string AskedFormat(const std::vector<std::string>& args) {
  std::string format = "text";
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json") format = "json";
    if (args[i] == "--format" && i + 1 < args.size()) format = args[i + 1];
    if (args[i].rfind("--format=", 0) == 0) format = args[i].substr(9);
  }
  return format;
}

// With JSON or SARIF asked for, a command line that does not parse still
// gives one document on standard output.
int ReportParseError(const CLI::App& app, const CLI::ParseError& error, int argc, char** argv) {
  const std::string format = AskedFormat(std::vector<std::string>(argv + 1, argv + argc));
  if (error.get_exit_code() == 0 || (format != "json" && format != "sarif")) {
    return app.exit(error) == 0 ? strell_cli::kExitOk : strell_cli::kExitFailure;
  }
  const std::string message = error.what();
  if (format == "sarif") {
    strell_cli::PrintJson(
        {{"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
         {"version", "2.1.0"},
         {"runs",
          {{{"tool", {{"driver", {{"name", "strell"}, {"version", STRELL_VERSION_TEXT}}}}},
            {"invocations",
             {{{"executionSuccessful", false},
               {"toolExecutionNotifications",
                {{{"level", "error"}, {"message", {{"text", message}}}}}}}}},
            {"results", strell_cli::Json::array()}}}}});
  } else {
    strell_cli::PrintJson({{"error", message}});
  }
  return strell_cli::kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace strell_cli;
  CLI::App app{"strell: what libstrell answers for a camera configuration, and why", "strell"};
  app.set_version_flag("--version",
                       std::string("strell ") + STRELL_VERSION_TEXT + " (libstrell.so.1)");
  app.require_subcommand(1);
  app.footer(kFooter);
  CommonOptions options;
  AddCommonOptions(&app, options);

  std::vector<std::string> urls;
  CLI::App* resolve = app.add_subcommand(
      "resolve", "Resolve each URL as the host would: the full TProfileInfo and the handler");
  resolve->add_option("URL", urls, "Stream URL: path and query without the leading slash")
      ->required();
  AddCommonOptions(resolve, options);

  std::string explainUrl;
  CLI::App* explain = app.add_subcommand(
      "explain",
      "Walk the handler chain for one URL: who claims it, why the others do not, "
      "and the near misses when nothing matches");
  explain->add_option("URL", explainUrl, "Stream URL")->required();
  AddCommonOptions(explain, options);

  std::string medium;
  int channel = 0;
  int stream = 0;
  CLI::App* list = app.add_subcommand(
      "list", "Profile keys whose video or audio is CHANNEL STREAM (counted from 0), chain order");
  list->add_option("MEDIUM", medium, "video or audio")
      ->required()
      ->check(CLI::IsMember({"video", "audio"}));
  list->add_option("CHANNEL", channel, "Channel, configuration numbering")->required();
  list->add_option("STREAM", stream, "Stream, configuration numbering")->required();
  AddCommonOptions(list, options);

  std::string direction;
  CLI::App* convert =
      app.add_subcommand("convert",
                         "Convert a channel and stream between ONVIF numbering (from 1) and "
                         "configuration numbering (from 0); needs no configuration");
  convert->add_option("DIRECTION", direction, "onvif-to-config or config-to-onvif")
      ->required()
      ->check(CLI::IsMember({"onvif-to-config", "config-to-onvif"}));
  convert->add_option("CHANNEL", channel, "Channel")->required();
  convert->add_option("STREAM", stream, "Stream")->required();
  AddCommonOptions(convert, options);

  CLI::App* dump =
      app.add_subcommand("dump", "Print every loaded store through the library's dump functions");
  AddCommonOptions(dump, options);

  CLI::App* urlList = app.add_subcommand(
      "urls",
      "Every URL the configuration answers, by handler, with its profile key, and the stored "
      "profiles whose URL another profile or handler answers");
  AddCommonOptions(urlList, options);

  CLI::App* check = app.add_subcommand(
      "check", "Validate a configuration root: errors, warnings, file:line:column, key paths");
  AddCommonOptions(check, options);
  check->add_option("--format", options.format, "text, json (as --json) or sarif (SARIF 2.1.0)")
      ->check(CLI::IsMember({"text", "json", "sarif"}));

  for (CLI::App* command : app.get_subcommands({})) command->footer(kFooter);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return ReportParseError(app, error, argc, argv);
  }
  if (options.format == "json") options.json = true;
  if (options.json && options.format == "text") options.format = "json";

  try {
    if (resolve->parsed()) return RunResolve(options, urls);
    if (explain->parsed()) return RunExplain(options, explainUrl);
    if (list->parsed()) return RunList(options, medium, channel, stream);
    if (convert->parsed()) return RunConvert(options, direction, channel, stream);
    if (dump->parsed()) return RunDump(options);
    if (urlList->parsed()) return RunUrls(options);
    if (check->parsed()) return RunCheck(options);
  } catch (const std::exception& error) {
    // Out of memory, or a file that cannot be written: still one document.
    if (options.json) {
      PrintJson({{"error", error.what()}});
    } else {
      std::cerr << "strell: " << error.what() << '\n';
    }
  }
  return kExitFailure;
}
