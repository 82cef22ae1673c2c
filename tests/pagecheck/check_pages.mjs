// Checks every page (*.html, *.htm) in the folders given: the Nu Html Checker finds no error,
// axe-core finds no violation of impact serious or critical at 1280x800 and at 360x740 in
// Debian's chromium, and at 360 px nothing scrolls sideways. Prints each finding and one
// closing line; exits 1 when anything was found, 2 when a tool is missing.
//
//   node check_pages.mjs FOLDER...
//
// CHROMIUM names the browser (default /usr/bin/chromium), JAVA the Java runtime (default
// "java" on the PATH).

import { spawnSync } from "node:child_process";
import { copyFileSync, existsSync, mkdtempSync, readdirSync, readFileSync, rmSync } from "node:fs";
import { createRequire } from "node:module";
import { tmpdir } from "node:os";
import { join } from "node:path";

const require = createRequire(import.meta.url);
const chromium = process.env.CHROMIUM || "/usr/bin/chromium";
const java = process.env.JAVA || "java";
const viewports = [
    { width: 1280, height: 800 },
    { width: 360, height: 740 },
];
const phoneWidth = 360;

function missing(what) {
    console.error(`${what} is missing: run scripts/install-deps.sh (it installs Java, chromium, ` +
        "node and the packages of tests/pagecheck/package-lock.json)");
    process.exit(2);
}

function resolveOrMissing(name) {
    try {
        return require.resolve(name);
    } catch {
        missing(`The npm package ${name}`);
    }
}

// A page's name as raw bytes: page names may hold Windows-1252 bytes that are no UTF-8.
function pagesOf(folder) {
    return readdirSync(folder, { encoding: "buffer" })
        .filter((name) => /\.html?$/.test(name.toString("latin1")))
        .map((name) => ({
            folder,
            name,
            label: join(folder, name.toString("latin1")),
            url: "file://" + encodeURI(folder) + "/" +
                [...name].map((b) => (b < 0x80 && /[\w.\-]/.test(String.fromCharCode(b))
                    ? String.fromCharCode(b)
                    : "%" + b.toString(16).toUpperCase().padStart(2, "0"))).join(""),
        }));
}

// The checker gets copies under plain names, since Java cannot open a file whose name is not
// in the locale's character set.
function validate(pages) {
    const jar = join(resolveOrMissing("vnu-jar/package.json"), "..", "build", "dist", "vnu.jar");
    if (!existsSync(jar))
        missing("vnu.jar of the npm package vnu-jar");
    if (spawnSync(java, ["-version"]).error)
        missing(`Java (${java})`);
    const copies = mkdtempSync(join(tmpdir(), "mondeliar-vnu-"));
    const labels = new Map();
    pages.forEach((page, i) => {
        const copy = join(copies, `page${i}.html`);
        copyFileSync(Buffer.concat([Buffer.from(page.folder + "/"), page.name]), copy);
        labels.set("file:" + copy, page.label);
    });
    const run = spawnSync(java, ["-Xss4m", "-jar", jar, "--errors-only", "--no-langdetect", "--format", "json",
        ...[...labels.keys()].map((url) => url.slice(5))], { encoding: "utf8", maxBuffer: 1 << 28 });
    rmSync(copies, { recursive: true, force: true });
    const messages = JSON.parse(run.stderr || "{\"messages\":[]}").messages;
    for (const m of messages) {
        const where = labels.get(m.url) || m.url;
        console.log(`vnu: ${where}:${m.lastLine ?? "?"}: ${m.type}: ${m.message}`);
    }
    return messages.length;
}

async function checkInBrowser(pages) {
    if (!existsSync(chromium))
        missing(`Chromium (${chromium})`);
    const puppeteer = (await import(resolveOrMissing("puppeteer-core"))).default;
    const axeSource = readFileSync(resolveOrMissing("axe-core/axe.min.js"), "utf8");
    const profile = mkdtempSync(join(tmpdir(), "mondeliar-chromium-"));
    const browser = await puppeteer.launch({
        executablePath: chromium,
        headless: true,
        pipe: true,
        userDataDir: profile,
        args: ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--disable-dev-shm-usage", `--user-data-dir=${profile}`],
    });
    let findings = 0;
    try {
        const tab = await browser.newPage();
        for (const page of pages) {
            for (const viewport of viewports) {
                await tab.setViewport(viewport);
                await tab.goto(page.url, { waitUntil: "load" });
                await tab.evaluate(axeSource);
                const violations = await tab.evaluate(async () =>
                    (await axe.run(document, { resultTypes: ["violations"] })).violations
                        .filter((v) => v.impact === "serious" || v.impact === "critical")
                        .map((v) => `${v.impact} ${v.id}: ${v.help} (${v.nodes.length}x, first ` +
                            `${v.nodes[0].target.join(" ")})`));
                for (const v of violations)
                    console.log(`axe ${viewport.width}x${viewport.height}: ${page.label}: ${v}`);
                findings += violations.length;
                if (viewport.width === phoneWidth) {
                    const width = await tab.evaluate(() => document.documentElement.scrollWidth);
                    if (width > phoneWidth) {
                        console.log(`scroll width: ${page.label}: ${width} px at ${phoneWidth} px`);
                        ++findings;
                    }
                }
            }
        }
    } finally {
        await browser.close();
        rmSync(profile, { recursive: true, force: true });
    }
    return findings;
}

const folders = process.argv.slice(2);
if (folders.length === 0) {
    console.error("usage: node check_pages.mjs FOLDER...");
    process.exit(2);
}
const pages = folders.flatMap(pagesOf);
const errors = validate(pages);
const findings = await checkInBrowser(pages);
console.log(`vnu: ${errors} errors; axe and scroll width: ${findings} findings; ` +
    `${pages.length} pages at ${viewports.map((v) => `${v.width}x${v.height}`).join(" and ")}`);
process.exit(errors + findings === 0 ? 0 : 1);
