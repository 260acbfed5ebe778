#!/usr/bin/python3
# Writes the curves fitted end to end by the registry tests and, for each
# model and variance model, the residual sum of squares of an independent
# least-squares fit by scipy (Debian python3-scipy, least_squares with the
# Levenberg-Marquardt method and tight tolerances, started from the true
# parameters). Run once; the output is kept beside this script.
import math
import numpy as np
import scipy
from scipy.optimize import least_squares
from scipy.special import lambertw


def noise(i):
    # Deterministic deviation of about 1 %.
    return 0.01 * math.sin(2.7 * i + 0.3)


def integrated_michaelis(s0, b):
    km, k = b[1], b[2]
    p = s0 - km * lambertw((s0 / km) * np.exp(s0 / km - k * 1.0 * 1.0)).real
    return b[0] * p


# code: (model function of (x, b), true parameters, x values). The rising
# logistic curves are written with the top asymptote first and a negative
# slope exponent, the form their estimates start from.
models = {
    0: (lambda x, b: b[0] + b[1] * x, [1.0, 2.0], np.arange(1, 9.0)),
    2: (lambda x, b: b[0] + b[1] * x + b[2] * x * x, [1.0, 0.5, 0.2], np.arange(1, 9.0)),
    3: (lambda x, b: (b[0] + b[1] * x) / (1 + b[2] * x), [1.0, 2.0, 0.5], np.linspace(0.5, 4, 8)),
    4: (lambda x, b: b[1] * np.exp(-b[2] * x), [0.0, 5.0, 0.4], np.arange(0, 8.0)),
    5: (lambda x, b: b[1] * (1 - np.exp(-b[2] * x)), [0.0, 3.0, 0.3], np.arange(1, 11.0)),
    6: (lambda x, b: b[0] * (1 - np.exp(-b[1] * x)) + b[2] * x, [4.0, 0.5, 0.2], np.arange(1, 11.0)),
    7: (lambda x, b: b[0] * x ** b[1], [2.0, 0.7], np.arange(1, 9.0)),
    8: (lambda x, b: b[0] * x / (b[1] + x), [10.0, 2.0], np.array([0.5, 1, 1.5, 2, 3, 4, 6, 8])),
    9: (integrated_michaelis, [1.0, 2.0, 0.5], np.arange(1, 11.0)),
    10: (lambda x, b: b[0] / (1 + (b[1] / x) ** b[2]), [10.0, 3.0, 1.5], np.array([0.5, 1, 2, 3, 5, 8, 12, 20])),
    11: (lambda x, b: b[1] / (1 + np.exp(b[3] - b[2] * x)), [0.0, 10.0, 0.8, 3.0], np.linspace(0.5, 8, 9)),
    12: (lambda x, b: b[0] + (b[1] - b[0]) / (1 + 10 ** (b[2] - x)), [1.0, 5.0, 4.5], np.linspace(2, 7, 9)),
    13: (lambda x, b: b[3] + (b[0] - b[3]) / (1 + (x / b[2]) ** b[1]), [2.5, -1.2, 5.0, 0.05],
         0.1 * 1000 ** (np.arange(8) / 7)),
    14: (lambda x, b: b[3] + (b[0] - b[3]) / (1 + (x / b[2]) ** b[1]) ** b[4], [2.5, -1.2, 5.0, 0.05, 0.7],
         0.1 * 1000 ** (np.arange(8) / 7)),
}
# The parameters each code fits (the others stay at their value).
fitted = {0: [0, 1], 2: [0, 1, 2], 3: [0, 1, 2], 4: [1, 2], 5: [1, 2], 6: [0, 1, 2], 7: [0, 1], 8: [0, 1],
          9: [0, 1, 2], 10: [0, 1, 2], 11: [1, 2, 3], 12: [0, 1, 2], 13: [0, 1, 2, 3], 14: [0, 1, 2, 3, 4]}

# Multiple linear regression (code 1): two variables and a constant term.
u1 = np.array([1, 2, 3, 4, 5, 6, 7, 8.0])
u2 = np.array([0.5, 3, 1, 4, 2, 6, 3, 5.0])

theta = {0: [], 1: [0.1], 2: [0.1, 0.01], 3: [0.1, 0.01, 0.001], 4: [0.1], 5: [1.0]}


def g(v, y):
    t = theta[v]
    if v == 0:
        return np.ones_like(y)
    if v == 1:
        return 1 + t[0] * y
    if v == 2:
        return 1 + y * (t[0] + y * t[1])
    if v == 3:
        return 1 + y * (t[0] + y * (t[1] + y * t[2]))
    if v == 4:
        return np.exp(t[0] * y)
    return y ** t[0]


data_lines = ["# Curves for the end-to-end registry tests: y = model(x, true parameters) * (1 + 0.01 sin(2.7 i + 0.3))",
              "# for observation i = 1..n; for code 1, x is u1 and u2 is the second variable.",
              "code,i,x,u2,y"]
ref_lines = ["# Residual sum of squares sum w (y - f)^2, w = 1 / g(y), of an independent fit by scipy %s" % scipy.__version__,
             "# (scipy.optimize.least_squares, method lm, xtol = ftol = gtol = 1e-15, from the true parameters).",
             "# theta: the variance model's shape parameters Theta[1..].",
             "code,variance,theta1,theta2,theta3,rss"]

curves = {}
for code, (f, b, x) in models.items():
    y = f(x, np.array(b)) * (1 + np.array([noise(i) for i in range(1, len(x) + 1)]))
    curves[code] = (x, y)
    for i, (xi, yi) in enumerate(zip(x, y), 1):
        data_lines.append("%d,%d,%.17g,0,%.17g" % (code, i, xi, yi))
y1 = (1 + 2 * u1 - 0.5 * u2) * (1 + np.array([noise(i) for i in range(1, 9)]))
for i in range(8):
    data_lines.append("1,%d,%.17g,%.17g,%.17g" % (i + 1, u1[i], u2[i], y1[i]))

for v in range(6):
    t = (theta[v] + [0, 0, 0])[:3]
    # code 1 by weighted linear least squares
    w = 1 / g(v, y1)
    A = np.vstack([np.ones(8), u1, u2]).T * np.sqrt(w)[:, None]
    coef = np.linalg.lstsq(A, y1 * np.sqrt(w), rcond=None)[0]
    r = y1 - (coef[0] + coef[1] * u1 + coef[2] * u2)
    ref_lines.append("1,%d,%g,%g,%g,%.17g" % (v, t[0], t[1], t[2], np.sum(w * r * r)))
    for code, (f, b, x) in models.items():
        x, y = curves[code]
        w = 1 / g(v, y)
        idx = fitted[code]

        def residuals(p):
            full = np.array(b, dtype=float)
            full[idx] = p
            return np.sqrt(w) * (y - f(x, full))

        sol = least_squares(residuals, np.array(b, dtype=float)[idx], method="lm", xtol=1e-15, ftol=1e-15,
                            gtol=1e-15, max_nfev=100000)
        rss = float(np.sum(sol.fun ** 2))
        ref_lines.append("%d,%d,%g,%g,%g,%.17g" % (code, v, t[0], t[1], t[2], rss))

truth_lines = ["# True parameters B[0..] of the curves (code 1: B0 + B1 u1 + B2 u2); code 4, 5, 11 fit from index 1.",
               "code,b0,b1,b2,b3,b4"]
for code, (f, b, x) in sorted(list(models.items()) + [(1, (None, [1.0, 2.0, -0.5], None))]):
    truth_lines.append("%d,%s" % (code, ",".join("%.17g" % v for v in (list(b) + [0, 0, 0, 0, 0])[:5])))
open("truth.csv", "w").write("\n".join(truth_lines) + "\n")
open("curves.csv", "w").write("\n".join(data_lines) + "\n")
open("reference_rss.csv", "w").write("\n".join(ref_lines) + "\n")
