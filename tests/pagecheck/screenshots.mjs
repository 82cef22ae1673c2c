// Pictures of a page at desktop and phone width for the help pages, taken in Debian's
// chromium: NAME-desktop.png (1280 px wide) and NAME-phone.png (360 px wide), each of the
// whole page.
//
//   node screenshots.mjs PAGE OUTPUT_FOLDER NAME

import { mkdtempSync, rmSync } from "node:fs";
import { createRequire } from "node:module";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { pathToFileURL } from "node:url";

const require = createRequire(import.meta.url);
const [page, output, name] = process.argv.slice(2);
if (!name) {
    console.error("usage: node screenshots.mjs PAGE OUTPUT_FOLDER NAME");
    process.exit(2);
}
const puppeteer = (await import(require.resolve("puppeteer-core"))).default;
const profile = mkdtempSync(join(tmpdir(), "mondeliar-chromium-"));
const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true,
    pipe: true,
    userDataDir: profile,
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
        "--disable-background-networking", "--disable-component-update", "--disable-sync",
        "--disable-dev-shm-usage", "--hide-scrollbars", `--user-data-dir=${profile}`],
});
try {
    const tab = await browser.newPage();
    for (const [width, height, suffix] of [[1280, 800, "desktop"], [360, 740, "phone"]]) {
        await tab.setViewport({ width, height });
        await tab.goto(pathToFileURL(resolve(page)).href, { waitUntil: "load" });
        const file = join(output, `${name}-${suffix}.png`);
        await tab.screenshot({ path: file, fullPage: true });
        console.log(file);
    }
} finally {
    await browser.close();
    rmSync(profile, { recursive: true, force: true });
}
