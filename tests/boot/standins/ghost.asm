; Ghost stand-in for the boot test. Appends the command line that ghost.bat
; gave it (the command tail, which starts with the blank after the program's
; name) and CR LF to C:\GHOSTRAN.LOG, one line per run, says so on the
; screen and ends with errorlevel 0. The test reads the log back to see
; that Ghost ran once, with the job's command line.

        bits    16
        org     0x100

start:  mov     dx, log_name
        mov     ax, 0x3D01              ; open for writing
        int     0x21
        jnc     .opened
        mov     ah, 0x3C                ; or create
        xor     cx, cx
        int     0x21
        jc      .failed
.opened:
        mov     bx, ax
        mov     ax, 0x4202              ; to the end
        xor     cx, cx
        xor     dx, dx
        int     0x21
        mov     si, 0x81                ; the tail, length at 80h, then CR LF
        mov     cl, [0x80]
        xor     ch, ch
        add     si, cx
        mov     word [si], 0x0A0D
        add     cx, 2
        mov     dx, 0x81
        mov     ah, 0x40
        int     0x21
        jc      .failed
        mov     ah, 0x3E
        int     0x21
        mov     dx, done_text
        mov     ah, 0x09
        int     0x21
        mov     ax, 0x4C00
        int     0x21

.failed:
        mov     dx, failed_text
        mov     ah, 0x09
        int     0x21
        mov     ax, 0x4C02
        int     0x21

log_name:    db "C:\GHOSTRAN.LOG", 0
done_text:   db "Ghost stand-in (boot test): command line recorded in C:\GHOSTRAN.LOG", 13, 10, "$"
failed_text: db "Ghost stand-in (boot test): cannot write C:\GHOSTRAN.LOG", 13, 10, "$"
