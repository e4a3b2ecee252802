#include "check/json_writer.h"
#include "check/report.h"
#include "check/report_details.h"

namespace {

std::string_view survivalName(Survival survival) {
  switch (survival) {
    case Survival::CAUGHT:
      return "caught";
    case Survival::SURVIVED:
      return "survived";
    case Survival::POSSIBLY_EQUIVALENT:
      return "possibly-equivalent";
  }
  return "caught";
}

struct AuditCounts {
  std::size_t mutants = 0, caught = 0, survived = 0, equivalent = 0;
};

AuditCounts countsOf(const std::vector<MutantAudit>& mutants) {
  AuditCounts counts;
  for (const MutantAudit& m : mutants) {
    ++counts.mutants;
    if (m.survival == Survival::CAUGHT) ++counts.caught;
    if (m.survival == Survival::SURVIVED) ++counts.survived;
    if (m.survival == Survival::POSSIBLY_EQUIVALENT) ++counts.equivalent;
  }
  return counts;
}

std::string sheetName(const Sheet& sheet) {
  return sheet.title.empty() ? sheet.path : sheet.title + " (" + sheet.path + ")";
}

}  // namespace

bool auditClean(const std::vector<ReferenceAudit>& audits) {
  for (const ReferenceAudit& audit : audits) {
    if (countsOf(audit.mutants).survived > 0) return false;
  }
  return true;
}

std::string textAuditReport(const Sheet& sheet, const std::vector<ReferenceAudit>& audits) {
  std::string out = "Audit of the sheet: " + sheetName(sheet) + "\n";
  AuditCounts total;
  for (const ReferenceAudit& audit : audits) {
    const Exercise* exercise = sheet.findExercise(audit.exercise);
    const bool several = exercise != nullptr && exercise->references.size() > 1;
    const AuditCounts counts = countsOf(audit.mutants);
    total.mutants += counts.mutants;
    total.caught += counts.caught;
    total.survived += counts.survived;
    total.equivalent += counts.equivalent;
    out += "\n" + audit.exercise;
    if (several) out += ", reference " + std::to_string(audit.reference + 1);
    out += ": " + std::to_string(counts.caught) + " of " + std::to_string(counts.mutants) +
           " mutants caught\n";
    out += "  reference: " + audit.query + "\n";
    for (const MutantAudit& m : audit.mutants) {
      if (m.survival == Survival::SURVIVED) {
        out += "  survives, every instance accepts it (" + m.mutant.change + ", columns " +
               std::to_string(m.mutant.first) + "-" + std::to_string(m.mutant.last) + "):\n";
        out += "    " + m.mutant.query + "\n";
        out += "    tables on which it differs from the reference:\n";
        for (const std::string& line : indentedLines(m.catchingInput, "      ")) out += line + "\n";
      }
    }
    for (const MutantAudit& m : audit.mutants) {
      if (m.survival == Survival::POSSIBLY_EQUIVALENT) {
        out += "  possibly equivalent to the reference, no table found that tells them apart (" +
               m.mutant.change + ", columns " + std::to_string(m.mutant.first) + "-" +
               std::to_string(m.mutant.last) + "):\n";
        out += "    " + m.mutant.query + "\n";
      }
    }
  }
  out += "\nTotal: " + std::to_string(total.caught) + " of " + std::to_string(total.mutants) +
         " mutants caught, " + std::to_string(total.survived) + " survive, " +
         std::to_string(total.equivalent) + " possibly equivalent\n";
  return out;
}

std::string jsonAuditReport(const Sheet& sheet, const std::vector<ReferenceAudit>& audits) {
  std::string json = "{\"sheet\":{\"path\":" + jsonString(sheet.path) +
                     ",\"title\":" + jsonString(sheet.title) + "},\"references\":[";
  AuditCounts total;
  for (std::size_t a = 0; a < audits.size(); ++a) {
    const ReferenceAudit& audit = audits[a];
    if (a > 0) json += ',';
    json += "{\"exercise\":" + jsonString(audit.exercise) +
            ",\"reference\":" + std::to_string(audit.reference + 1) +
            ",\"query\":" + jsonString(audit.query) + ",\"mutants\":[";
    for (std::size_t i = 0; i < audit.mutants.size(); ++i) {
      const MutantAudit& m = audit.mutants[i];
      if (i > 0) json += ',';
      json += "{\"query\":" + jsonString(m.mutant.query) +
              ",\"change\":" + jsonString(m.mutant.change) +
              ",\"first\":" + std::to_string(m.mutant.first) +
              ",\"last\":" + std::to_string(m.mutant.last) +
              ",\"survival\":" + jsonString(survivalName(m.survival)) + ",\"caughtBy\":[";
      for (std::size_t c = 0; c < m.caughtBy.size(); ++c) {
        if (c > 0) json += ',';
        json += jsonString(m.caughtBy[c]);
      }
      json += "],\"catchingInput\":";
      json += m.survival == Survival::SURVIVED ? jsonString(m.catchingInput) : "null";
      json += '}';
    }
    json += "]}";
    const AuditCounts counts = countsOf(audit.mutants);
    total.mutants += counts.mutants;
    total.caught += counts.caught;
    total.survived += counts.survived;
    total.equivalent += counts.equivalent;
  }
  json += "],\"totals\":{\"mutants\":" + std::to_string(total.mutants) +
          ",\"caught\":" + std::to_string(total.caught) +
          ",\"survived\":" + std::to_string(total.survived) +
          ",\"possiblyEquivalent\":" + std::to_string(total.equivalent) + "}}\n";
  return json;
}
