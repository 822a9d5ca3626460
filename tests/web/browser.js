// Headless Chromium for the page tests, through puppeteer-core and the system's browser: a
// fresh profile each time, no sandbox (the tests run as root), nothing fetched from outside.
// With the tests' shared pieces: a site made from the build's files, and the scene's motion.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');

async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'sparkler-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--window-size=1100,900']
  });
  const close = async () => {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return { browser, close };
}

// A folder `folder` of links to the build's page files, without those named in `leaveOut`
// and with those in `copy` as copies of their own (a test may change them).
function siteFrom(build, folder, { leaveOut = [], copy = [] } = {}) {
  fs.rmSync(folder, { recursive: true, force: true });
  fs.mkdirSync(folder, { recursive: true });
  for (const file of fs.readdirSync(build)) {
    if (!fs.statSync(path.join(build, file)).isFile() || leaveOut.includes(file)) continue;
    if (copy.includes(file)) fs.copyFileSync(path.join(build, file), path.join(folder, file));
    else fs.symlinkSync(path.join(build, file), path.join(folder, file));
  }
  return folder;
}

// In a page or frame: two reads of the scene's canvas half a second apart (asked of the
// program's worker, or read at once where it runs on the page's thread), the pixels that
// changed and the colours of the second read, and the page's text.
function sceneMotion(frame) {
  return frame.evaluate(async () => {
    const read = () => Module.sparklerScreen.pixels();
    const first = await read();
    await new Promise((resolve) => setTimeout(resolve, 500));
    const second = await read();
    let differ = 0;
    const colours = new Set();
    for (let i = 0; i < first.length; i += 4) {
      if (first[i] !== second[i] || first[i + 1] !== second[i + 1] || first[i + 2] !== second[i + 2]) ++differ;
      colours.add((second[i] << 16) | (second[i + 1] << 8) | second[i + 2]);
    }
    return { differ, colours: colours.size, text: document.body.innerText };
  });
}

module.exports = { launch, siteFrom, sceneMotion };
