// Checks EDIFACT interchanges with the npm package ts-edifact (an independent reader):
//   - its Parser reads the interchange (UNA service string, release character, UNOC
//     characters) with its Validator over the segment and element tables the package ships
//     (D96A_INVOIC for INVOIC D.96A; for ORDERS the package has only its default ORDERS
//     tables, used for D.96A as its own table builder falls back to them), refusing any
//     segment it has no definition of and any element or component count or length that
//     does not fit;
//   - its Tracker walks each message's segments (UNH ... UNT) through the package's
//     message structure table of the same kind, so a segment out of order or outside the
//     structure fails.
// Usage: node check_ts_edifact.js NODE_MODULES_DIR FILE...
// Prints "ok FILE" or the fault per file; exit 1 on a fault, 2 when ts-edifact is missing.
"use strict";

const fs = require("fs");
const path = require("path");

const [modules, ...files] = process.argv.slice(2);
// The package's parts are loaded one by one: its index also loads the structure parser for
// the UNECE pages, which needs a package ts-edifact 0.0.14 does not declare.
const lib = path.join(path.resolve(modules || "."), "ts-edifact", "lib");
const edifact = {};
try {
  Object.assign(edifact, require(path.join(lib, "parser")), require(path.join(lib, "validator")),
                require(path.join(lib, "tracker")), require(path.join(lib, "configuration")),
                require(path.join(lib, "segments")), require(path.join(lib, "elements")));
} catch (e) {
  console.error("check_ts_edifact: ts-edifact is not installed in " + modules + " - run scripts/setup");
  process.exit(2);
}
const specDir = path.join(lib, "messageSpec");

function table(version, type, kind) {
  const versioned = path.join(specDir, `${version}_${type}.${kind}.json`);
  const plain = path.join(specDir, `${type}.${kind}.json`);
  return JSON.parse(fs.readFileSync(fs.existsSync(versioned) ? versioned : plain, "utf-8"));
}

function check(text) {
  // The message type and version from UNH, read before the validating pass.
  const unh = /UNH\+[^+]*\+([A-Z]{6}):([A-Z]):([0-9A-Z]{3})/.exec(text);
  if (!unh) throw new Error("no UNH segment");
  const [, type, version, release] = unh;
  const dir = version + release;

  const validator = new edifact.ValidatorImpl(true);
  const segments = new edifact.Dictionary(table(dir, type, "segments"));
  const elements = new edifact.Dictionary(table(dir, type, "elements"));
  validator.define(edifact.SegmentTableBuilder.enrichWithDefaultSegments(segments));
  validator.define(edifact.ElementTableBuilder.enrichWithDefaultElements(elements));
  const parser = new edifact.Parser(new edifact.Configuration({ validator }));

  const tags = [];
  let first = true;
  parser.onOpenSegment = (segment) => tags.push(segment);
  parser.onComponent = (value) => {
    if (first) {
      parser.updateCharset(value);  // UNB's syntax identifier, UNOC
      first = false;
    }
  };
  parser.write(text);
  parser.end();

  let inMessage = false;
  let tracker = null;
  let messages = 0;
  for (const tag of tags) {
    if (tag === "UNH") {
      tracker = new edifact.Tracker(table(dir, type, "struct"));
      inMessage = true;
      messages++;
    }
    if (inMessage) {
      try {
        tracker.accept(tag);
      } catch (e) {
        throw new Error(`segment ${tag}: ${e.message}`);
      }
    }
    if (tag === "UNT") inMessage = false;
  }
  if (messages === 0) throw new Error("no message");
  if (tags[0] !== "UNB" || tags[tags.length - 1] !== "UNZ") throw new Error("no UNB ... UNZ envelope");
}

let bad = 0;
for (const file of files) {
  try {
    check(fs.readFileSync(file, "latin1"));
    console.log("ok " + file);
  } catch (e) {
    console.log(file + ": " + e.message);
    bad = 1;
  }
}
process.exit(bad);
