// The page audited by Lighthouse (the pinned npm release, on this node and the system's
// Chromium) with its mobile defaults: accessibility and best practices must score 100; the
// performance score and its measures are printed beside them, and with --performance N the
// score must reach N too. What the score mostly hangs on is checked with room for a loaded
// machine: the largest paint within 2.5 s (simulated from what loads before it, so hardly
// touched by load: 3.4-4.7 s while the page's own thread fetched the program and the sounds)
// and the page's thread blocked at most 600 ms in all (while it ran the frames, 150 ms on a
// quiet machine and up to 1,420 ms on a loaded one; with the frames in the program's worker,
// 20-200 ms). The full report is kept as lighthouse.json in WORK-DIR.
// Usage: node lighthouse_test.js BUILD-WEB WORK-DIR [--performance N]
'use strict';
const childProcess = require('child_process');
const fs = require('fs');
const path = require('path');
const { serve } = require('../../tools/web_serve');

const build = path.resolve(process.argv[2]);
const work = path.resolve(process.argv[3] || 'lighthouse');
const performanceAt = process.argv[4] === '--performance' ? Number(process.argv[5]) : null;
const cli = path.join(build, 'node_modules', 'lighthouse', 'cli', 'index.js');
const failures = [];
function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  if (!ok) failures.push(what);
}

// Runs the command line tool on `url`; resolves to the report, or null when it failed.
function audit(url, report) {
  return new Promise((resolve) => {
    const child = childProcess.spawn('node', [cli, url, '--output=json', '--output-path=' + report, '--quiet',
      '--only-categories=performance,accessibility,best-practices',
      '--chrome-flags=--headless=new --no-sandbox --disable-gpu --no-first-run --disable-background-networking'],
    { env: Object.assign({}, process.env, { CHROME_PATH: process.env.CHROMIUM || '/usr/bin/chromium' }), stdio: 'inherit' });
    child.on('exit', (code) => resolve(code === 0 && fs.existsSync(report) ? JSON.parse(fs.readFileSync(report, 'utf8')) : null));
  });
}

// The audits of a category that cost it points, by title.
function lost(report, category) {
  return report.categories[category].auditRefs
    .filter((ref) => ref.weight > 0 && report.audits[ref.id].score !== null && report.audits[ref.id].score < 1)
    .map((ref) => ref.id + ' (' + report.audits[ref.id].title + ')');
}

async function main() {
  fs.mkdirSync(work, { recursive: true });
  const { server, url } = await serve(build);
  let report = null;
  try {
    report = await audit(url, path.join(work, 'lighthouse.json'));
  } finally {
    server.close();
  }
  check(report !== null, 'Lighthouse ' + (report ? report.lighthouseVersion : '') + ' audits the page');
  if (report) {
    const score = (category) => Math.round(report.categories[category].score * 100);
    const measures = ['first-contentful-paint', 'largest-contentful-paint', 'total-blocking-time', 'speed-index',
                      'cumulative-layout-shift'].map((id) => id + ' ' + report.audits[id].displayValue);
    console.log('performance ' + score('performance') + ': ' + measures.join(', '));
    check(report.configSettings.formFactor === 'mobile' && report.configSettings.throttlingMethod === 'simulate',
      'with its mobile defaults (' + report.configSettings.formFactor + ', ' + report.configSettings.throttlingMethod + ')');
    const largestPaint = report.audits['largest-contentful-paint'].numericValue;
    check(largestPaint <= 2500, 'the largest paint within 2.5 s (' + Math.round(largestPaint) + ' ms)');
    const blocking = report.audits['total-blocking-time'].numericValue;
    check(blocking <= 600, 'the page\'s thread blocked at most 600 ms (' + Math.round(blocking) + ' ms)');
    for (const category of ['accessibility', 'best-practices']) {
      const missed = lost(report, category);
      check(score(category) === 100, category + ' scores ' + score(category) + (missed.length ? ': ' + missed.join('; ') : ''));
    }
    if (performanceAt !== null)
      check(score('performance') >= performanceAt, 'performance scores ' + score('performance') + ' (at least ' + performanceAt + ')');
  }
  if (failures.length) {
    console.log(failures.length + ' check(s) failed');
    process.exit(1);
  }
  console.log('all checks passed');
}

main().catch((error) => { console.error(error); process.exit(1); });
