// The main of every qeva-bench-* binary: Google Benchmark's usual console report, then one
// line per registered target with the measured median and whether it was met.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "Targets.h"

namespace QevaFlutter::bench {
namespace {

struct Target {
  enum class Kind { kTime, kRatio, kCounter };
  Kind kind;
  std::string name;
  std::string base_or_counter;
  double limit;
};

std::vector<Target>& Registered() {
  static std::vector<Target> targets;
  return targets;
}

double NanosecondsPerUnit(benchmark::TimeUnit unit) {
  switch (unit) {
    case benchmark::kNanosecond:
      return 1;
    case benchmark::kMicrosecond:
      return 1e3;
    case benchmark::kMillisecond:
      return 1e6;
    case benchmark::kSecond:
      return 1e9;
  }
  return 1;
}

double Median(std::vector<double> values) {
  if (values.empty()) {
    return 0;
  }
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// What the report said about one benchmark: its median aggregate when repetitions produced
// one, else its single runs.
struct Measured {
  bool has_median = false;
  double median_cpu_ns = 0;
  double median_real_ns = 0;
  std::map<std::string, double> median_counters;
  std::vector<double> run_cpu_ns;
  std::vector<double> run_real_ns;
  std::map<std::string, std::vector<double>> run_counters;

  double TimeNs() const { return has_median ? median_cpu_ns : Median(run_cpu_ns); }
  double RealTimeNs() const { return has_median ? median_real_ns : Median(run_real_ns); }
  bool HasTime() const { return has_median || !run_cpu_ns.empty(); }
  bool Counter(const std::string& name, double* value) const {
    if (has_median) {
      auto found = median_counters.find(name);
      if (found == median_counters.end()) {
        return false;
      }
      *value = found->second;
      return true;
    }
    auto found = run_counters.find(name);
    if (found == run_counters.end()) {
      return false;
    }
    *value = Median(found->second);
    return true;
  }
};

std::string Key(const benchmark::BenchmarkReporter::Run& run) {
  return run.run_name.args.empty() ? run.run_name.function_name
                                   : run.run_name.function_name + "/" + run.run_name.args;
}

std::string Nanoseconds(double ns) {
  char text[32];
  if (ns >= 1e6) {
    std::snprintf(text, sizeof(text), "%.2f ms", ns / 1e6);
  } else if (ns >= 1e4) {
    std::snprintf(text, sizeof(text), "%.1f us", ns / 1e3);
  } else {
    std::snprintf(text, sizeof(text), "%.0f ns", ns);
  }
  return text;
}

class VerdictReporter : public benchmark::ConsoleReporter {
 public:
  explicit VerdictReporter(OutputOptions options) : ConsoleReporter(options) {}

  void ReportRuns(const std::vector<Run>& reports) override {
    ConsoleReporter::ReportRuns(reports);
    for (const Run& run : reports) {
      if (run.error_occurred) {
        const std::string error = Key(run) + ": " + run.error_message;
        if (std::find(errors_.begin(), errors_.end(), error) == errors_.end()) {
          errors_.push_back(error);  // Once, however many repetitions failed alike.
        }
        continue;
      }
      Measured& measured = measured_[Key(run)];
      const double cpu_ns = run.GetAdjustedCPUTime() * NanosecondsPerUnit(run.time_unit);
      const double real_ns = run.GetAdjustedRealTime() * NanosecondsPerUnit(run.time_unit);
      if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name == "median") {
          measured.has_median = true;
          measured.median_cpu_ns = cpu_ns;
          measured.median_real_ns = real_ns;
          for (const auto& [name, counter] : run.counters) {
            measured.median_counters[name] = counter.value;
          }
        }
        continue;
      }
      measured.run_cpu_ns.push_back(cpu_ns);
      measured.run_real_ns.push_back(real_ns);
      for (const auto& [name, counter] : run.counters) {
        measured.run_counters[name].push_back(counter.value);
      }
    }
  }

  bool PrintVerdict() const {
    std::FILE* out = stdout;
    std::fflush(out);
    bool any = false;
    for (const Target& target : Registered()) {
      auto found = measured_.find(target.name);
      if (found == measured_.end() || !found->second.HasTime()) {
        continue;  // Filtered out, or failed.
      }
      if (!any) {
        // CPU time: on a shared machine the wall clock also counts the time the process was
        // not running. The wall-clock median follows in brackets.
        std::fprintf(out, "\nTargets (median CPU time; [median real time]):\n");
        any = true;
      }
      const Measured& measured = found->second;
      std::string figure;
      std::string limit;
      bool met = false;
      switch (target.kind) {
        case Target::Kind::kTime:
          figure = Nanoseconds(measured.TimeNs()) + " [" + Nanoseconds(measured.RealTimeNs()) + "]";
          limit = "<= " + Nanoseconds(target.limit);
          met = measured.TimeNs() <= target.limit;
          break;
        case Target::Kind::kRatio: {
          auto base = measured_.find(target.base_or_counter);
          if (base == measured_.end() || !base->second.HasTime() || base->second.TimeNs() <= 0) {
            continue;
          }
          const double ratio = measured.TimeNs() / base->second.TimeNs();
          char text[128];
          const double real_ratio = measured.RealTimeNs() / base->second.RealTimeNs();
          std::snprintf(text, sizeof(text), "%.2fx [%.2fx] (%s vs %s)", ratio, real_ratio,
                        Nanoseconds(measured.TimeNs()).c_str(),
                        Nanoseconds(base->second.TimeNs()).c_str());
          figure = text;
          std::snprintf(text, sizeof(text), "<= %.1fx", target.limit);
          limit = text;
          met = ratio <= target.limit;
          break;
        }
        case Target::Kind::kCounter: {
          double value = 0;
          if (!measured.Counter(target.base_or_counter, &value)) {
            continue;
          }
          char text[128];
          std::snprintf(text, sizeof(text), "%s = %.1f", target.base_or_counter.c_str(), value);
          figure = text;
          std::snprintf(text, sizeof(text), "< %.0f", target.limit);
          limit = text;
          met = value < target.limit;
          break;
        }
      }
      std::fprintf(out, "  %-42s %-38s %-9s %s\n", target.name.c_str(), figure.c_str(),
                   limit.c_str(), met ? "met" : "NOT MET");
      if (target.kind == Target::Kind::kRatio) {
        std::fprintf(out, "  %-42s (of %s)\n", "", target.base_or_counter.c_str());
      }
    }
    for (const std::string& error : errors_) {
      std::fprintf(out, "ERROR %s\n", error.c_str());
    }
    std::fflush(out);
    return errors_.empty();
  }

 private:
  std::map<std::string, Measured> measured_;
  std::vector<std::string> errors_;
};

}  // namespace

void TimeTarget(const std::string& name, double max_ns) {
  Registered().push_back({Target::Kind::kTime, name, std::string(), max_ns});
}

void RatioTarget(const std::string& name, const std::string& base, double max_ratio) {
  Registered().push_back({Target::Kind::kRatio, name, base, max_ratio});
}

void CounterTarget(const std::string& name, const std::string& counter, double limit) {
  Registered().push_back({Target::Kind::kCounter, name, counter, limit});
}

}  // namespace QevaFlutter::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  // Plain text unless a terminal shows the colours; counters differ between benchmarks, so
  // they follow each line instead of forming a table.
  QevaFlutter::bench::VerdictReporter reporter(isatty(STDOUT_FILENO)
                                                   ? benchmark::ConsoleReporter::OO_Color
                                                   : benchmark::ConsoleReporter::OO_None);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const bool clean = reporter.PrintVerdict();
  benchmark::Shutdown();
  return clean ? 0 : 1;
}
